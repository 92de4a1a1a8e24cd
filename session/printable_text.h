// Text from files and devices made safe to print or log: every byte that could drive a
// terminal (control bytes, DEL, bytes outside ASCII) is written as \xHH.
#pragma once

#include <string>
#include <string_view>

namespace vexa {

// text with each byte outside printable ASCII (0x20 to 0x7e), and each byte listed in
// alsoEscaped, written as \xHH with lower-case hex digits.
std::string EscapeBytes(std::string_view text, std::string_view alsoEscaped = {});

}  // namespace vexa
