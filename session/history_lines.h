// The processing history: up to fifteen lines of 40 characters in the session record, which
// every processing step appends to and the FITS writer stores as HISTORY cards. An entry is
// free when its first character is zero; entries fill from the first one on without gaps.
#pragma once

#include <string>

namespace vexa {

void AppendHistory(const std::string& line);
void RemoveLastHistory();
void ClearHistory();
// The text "Processing &History" shows.
std::string HistoryText();

}  // namespace vexa
