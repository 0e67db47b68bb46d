// The client of `zentra debug`. The terminal's own line editing (canonical mode) reads the lines;
// a line goes to the server whose prompt is open ("INPUT> " of the console before "[mon] " of
// the monitor), or waits for the next prompt, so a whole session can also be piped in. The
// monitor's screen escapes are turned into the terminal's (clear, home) or dropped. The client
// waits for the script to listen, and ends when both connections have closed or its input ends
// while a prompt waits for it.
#include "tools/zentra/debug_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

#include "zildebugger.h"

namespace ZTools {

namespace {

constexpr int kRetryMilliseconds = 200;

struct Link {
  const char* prompt = "";
  int port = 0;
  int fd = -1;
  bool everConnected = false;
  bool prompting = false;  // its prompt was the last thing it sent
  std::string tail;        // the last bytes received, to find a prompt split across reads
};

bool connectTo(Link* link) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return false;
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  at.sin_port = htons(static_cast<uint16_t>(link->port));
  if (connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
    close(fd);
    return false;
  }
  link->fd = fd;
  link->everConnected = true;
  return true;
}

void closeLink(Link* link) {
  if (link->fd >= 0)
    close(link->fd);
  link->fd = -1;
  link->prompting = false;
}

bool sendLine(Link* link, const std::string& line) {
  std::string text = line + "\n";
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = send(link->fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    done += static_cast<size_t>(n);
  }
  link->prompting = false;
  return true;
}

// Screen escapes of the monitor: ESC and "El", "c" + digit, "K" + digit, "XTOP", "C" (clear) or
// "H" (home). Held across reads until complete.
class EscapeFilter {
 public:
  explicit EscapeFilter(bool terminal) : terminal_(terminal) {}

  std::string filter(const char* data, size_t length) {
    std::string out;
    for (size_t i = 0; i < length; i++) {
      char c = data[i];
      if (pending_.empty() && c != '\x1b') {
        out += c;
        continue;
      }
      pending_ += c;
      if (pending_.size() < 2 || pending_.size() < 1 + sequenceLength(pending_[1]))
        continue;
      if (terminal_ && pending_ ==
                           "\x1b"
                           "C")
        out += "\x1b[2J";
      else if (terminal_ && pending_ ==
                                "\x1b"
                                "H")
        out += "\x1b[H";
      pending_.clear();
    }
    return out;
  }

 private:
  static size_t sequenceLength(char first) {
    switch (first) {
      case 'E':
      case 'c':
      case 'K': return 2;
      case 'X': return 4;
      default: return 1;
    }
  }
  bool terminal_;
  std::string pending_;
};

bool parsePort(const char* text, int* port) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (!*text || *end || v < 1 || v > 65534)
    return false;
  *port = static_cast<int>(v);
  return true;
}

int defaultPort() {
  int port = ZIL_DEBUGGER_DEFAULT_PORT;
  const char* text = std::getenv(ZIL_DEBUGGER_PORT_VARIABLE);
  if (text && *text && !parsePort(text, &port))
    port = ZIL_DEBUGGER_DEFAULT_PORT;
  return port;
}

const char kUsage[] =
    "usage: zentra debug [--port N]\n"
    "Connects to the debugger of a script run by zentra or a skin: the monitor on port N\n"
    "(default $" ZIL_DEBUGGER_PORT_VARIABLE ", else 5000) and the console on N + 1.\n";

}  // namespace

int RunDebugClient(int argc, char** argv) {
  int port = defaultPort();
  for (int i = 0; i < argc; i++) {
    const char* arg = argv[i];
    const char* value = nullptr;
    if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (!std::strncmp(arg, "--port=", 7))
      value = arg + 7;
    else if (!std::strcmp(arg, "--port") || !std::strcmp(arg, "-p"))
      value = i + 1 < argc ? argv[++i] : "";
    if (!value) {
      std::fprintf(stderr, "zentra: unknown option '%s' for debug\nTry 'zentra --help'.\n", arg);
      return 2;
    }
    if (!parsePort(value, &port)) {
      std::fprintf(stderr, "zentra: option --port takes a port from 1 to 65534, not '%s'\nTry 'zentra --help'.\n",
                   value);
      return 2;
    }
  }

  Link monitor, console;
  monitor.prompt = "[mon] ";
  console.prompt = "INPUT> ";
  monitor.port = port;
  console.port = port + 1;
  EscapeFilter escapes(isatty(STDOUT_FILENO));
  std::deque<std::string> typed;  // lines waiting for a prompt
  std::string partial;
  bool inputOpen = true;
  std::fprintf(stderr, "zentra debug: waiting for the debugger on 127.0.0.1 ports %d and %d...\n", port, port + 1);

  // Lines that do not come from a terminal are shown after their prompt, so a piped session
  // reads like a typed one.
  const bool echo = !isatty(STDIN_FILENO);
  for (;;) {
    for (Link* link : {&monitor, &console})
      if (!link->everConnected)
        connectTo(link);
    if (monitor.everConnected && console.everConnected && monitor.fd < 0 && console.fd < 0)
      break;

    // Hand typed lines to open prompts: the console's first, since a script reading input
    // is waiting for it.
    for (Link* link : {&console, &monitor})
      if (link->fd >= 0 && link->prompting && !typed.empty()) {
        if (echo)
          std::printf("%s\n", typed.front().c_str());
        if (!sendLine(link, typed.front()))
          closeLink(link);
        typed.pop_front();
      }
    bool prompted = (monitor.fd >= 0 && monitor.prompting) || (console.fd >= 0 && console.prompting);
    if (!inputOpen && typed.empty() && prompted)
      break;  // nothing more will be typed for the prompt that waits

    pollfd fds[3] = {{monitor.fd, POLLIN, 0}, {console.fd, POLLIN, 0}, {inputOpen ? STDIN_FILENO : -1, POLLIN, 0}};
    bool waiting = !monitor.everConnected || !console.everConnected;
    int ready = poll(fds, 3, waiting ? kRetryMilliseconds : -1);
    if (ready < 0 && errno != EINTR) {
      std::perror("zentra debug: poll");
      return 1;
    }
    if (ready <= 0)
      continue;
    Link* links[2] = {&monitor, &console};
    for (int k = 0; k < 2; k++) {
      if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR)))
        continue;
      char buffer[4096];
      ssize_t n = recv(links[k]->fd, buffer, sizeof buffer, 0);
      if (n < 0 && errno == EINTR)
        continue;
      if (n <= 0) {
        closeLink(links[k]);
        continue;
      }
      std::string shown = escapes.filter(buffer, static_cast<size_t>(n));
      std::fwrite(shown.data(), 1, shown.size(), stdout);
      std::fflush(stdout);
      Link* link = links[k];
      link->tail.append(buffer, static_cast<size_t>(n));
      if (link->tail.size() > 16)
        link->tail.erase(0, link->tail.size() - 16);
      size_t p = std::strlen(link->prompt);
      link->prompting = link->tail.size() >= p && link->tail.compare(link->tail.size() - p, p, link->prompt) == 0;
    }
    if (fds[2].revents & (POLLIN | POLLHUP | POLLERR)) {
      char buffer[4096];
      ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
      if (n <= 0) {
        inputOpen = n < 0 && errno == EINTR;
        if (!inputOpen && !partial.empty())
          typed.push_back(partial);
        continue;
      }
      partial.append(buffer, static_cast<size_t>(n));
      size_t nl;
      while ((nl = partial.find('\n')) != std::string::npos) {
        typed.push_back(partial.substr(0, nl));
        partial.erase(0, nl + 1);
      }
    }
  }
  closeLink(&monitor);
  closeLink(&console);
  std::fprintf(stderr, "\nzentra debug: the debugger closed the connection\n");
  return 0;
}

}  // namespace ZTools
