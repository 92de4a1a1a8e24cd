// The numbered message catalogue through which every command reports to the user.
#pragma once

#include <cstdint>
#include <string>

namespace vexa {

constexpr const char* kMessageCaption = "VEXA_Q4_USB";
constexpr int16_t kCallerTextCode = 50;

// The catalogue text of a code; empty for codes not in the catalogue (and for 50, whose text
// the caller supplies).
std::string CatalogueText(int16_t code);

// Show a modal box captioned "VEXA_Q4_USB" with the text of code, or with text itself for
// code 50 (cut to 255 characters). Unknown codes show an empty box.
int ShowMessage(int16_t code, const std::string& text = std::string());

}  // namespace vexa
