// OpenUrl: xdg-open through posix_spawnp, reaped by a detached thread so no zombie stays.
#include "platform/browse.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <thread>

extern char** environ;

namespace Platform {

bool OpenUrl(std::string_view url) {
  if (url.substr(0, 7) != "http://" && url.substr(0, 8) != "https://")
    return false;
  // Control characters have no place in an address and could confuse the opener.
  for (unsigned char c : url)
    if (c < 0x20 || c == 0x7f)
      return false;
  const char* program = std::getenv("SONABEL_OPEN_URL_PROGRAM");
  if (!program || !*program)
    program = "xdg-open";
  std::string address(url);
  std::string name(program);
  char* argv[] = {name.data(), address.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0)
    return false;
  std::thread([pid] {
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

}  // namespace Platform
