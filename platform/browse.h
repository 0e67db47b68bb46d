// Opening a web page in the user's browser.
#pragma once

#include <string_view>

namespace Platform {

// Starts `xdg-open url` (no shell: the address is one argument) for an http:// or https://
// address and returns at once; the child is reaped when it ends. False for any other text or
// when the program could not be started. SONABEL_OPEN_URL_PROGRAM names another program (tests).
bool OpenUrl(std::string_view url);

}  // namespace Platform
