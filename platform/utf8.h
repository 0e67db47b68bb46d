// Text handed to programs that insist on UTF-8 (the desktop's session bus): valid UTF-8 passes
// unchanged; every byte that does not start or belong to a well-formed sequence is read as
// Windows-1252, the code page of the stations' titles that are not UTF-8, and re-encoded.
#pragma once

#include <string>
#include <string_view>

namespace Platform {

// text as valid UTF-8. Overlong forms, surrogates, code points above U+10FFFF and cut-off
// sequences are not well formed: their bytes are converted one by one.
std::string ValidUtf8(std::string_view text);

}  // namespace Platform
