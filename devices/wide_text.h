// hidapi hands out its device strings as wide characters; the program keeps UTF-8.
#pragma once

#include <string>

namespace vexa {

// UTF-8 of a null-terminated wide string; empty for a null pointer. Values that are no Unicode
// code point are left out.
std::string WideToUtf8(const wchar_t* text);

}  // namespace vexa
