// zildebuggernet.cpp - the debugger's two TCP servers: the monitor's and the console's. They
// listen on 127.0.0.1 only (SO_REUSEADDR, so a restarted program gets its ports back at once),
// accept one client at a time and exchange lines of text. A client that goes away is dropped:
// sends use MSG_NOSIGNAL, so a closed connection never raises SIGPIPE in the script's process.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <algorithm>

#include "zildebugger_internal.h"

namespace {

// A listening socket on 127.0.0.1:port (0: any free port); -1 with errno set on failure.
int listenOn(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return -1;
  int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  at.sin_port = htons(static_cast<uint16_t>(port));
  if (bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || listen(fd, 1) != 0) {
    int saved = errno;
    close(fd);
    errno = saved;
    return -1;
  }
  return fd;
}

int boundPort(int fd) {
  sockaddr_in at{};
  socklen_t length = sizeof at;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&at), &length) != 0)
    return 0;
  return ntohs(at.sin_port);
}

void closeFd(int* fd) {
  if (*fd >= 0)
    close(*fd);
  *fd = -1;
}

}  // namespace

bool ZILDebugOpenServers(ZILDebugger* d) {
  if (d->monitor.listenFd >= 0)
    return true;
  if (d->serversOpen)
    return false;  // tried before and failed: the monitor stays without a connection
  d->serversOpen = true;
  if (d->port != 0) {
    d->monitor.listenFd = listenOn(d->port);
    if (d->monitor.listenFd < 0) {
      fprintf(stderr, "ZILDebugger: cannot listen on 127.0.0.1 port %d: %s\n", d->port, strerror(errno));
      return false;
    }
    d->monitor.port = d->port;
    d->console.listenFd = listenOn(d->port + 1);
    if (d->console.listenFd < 0)
      fprintf(stderr, "ZILDebugger: cannot listen on 127.0.0.1 port %d: %s (no console)\n", d->port + 1,
              strerror(errno));
    d->console.port = d->port + 1;
    return true;
  }
  // Any free pair: the system picks the monitor's port, the console takes the next one if free.
  for (int attempt = 0; attempt < 64; ++attempt) {
    int monitor = listenOn(0);
    if (monitor < 0)
      break;
    int port = boundPort(monitor);
    int console = port > 0 && port < 65535 ? listenOn(port + 1) : -1;
    if (console >= 0) {
      d->monitor.listenFd = monitor;
      d->monitor.port = port;
      d->console.listenFd = console;
      d->console.port = port + 1;
      return true;
    }
    close(monitor);
  }
  fprintf(stderr, "ZILDebugger: cannot find two free ports on 127.0.0.1: %s\n", strerror(errno));
  return false;
}

bool ZILDebugAccept(ZILDebugServer* s) {
  if (s->fd >= 0)
    return true;
  if (s->listenFd < 0)
    return false;
  for (;;) {
    int fd = accept4(s->listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0) {
      s->fd = fd;
      s->inbox.clear();
      return true;
    }
    if (errno != EINTR && errno != ECONNABORTED) {
      fprintf(stderr, "ZILDebugger: accepting a client on port %d failed: %s\n", s->port, strerror(errno));
      return false;
    }
  }
}

void ZILDebugDropClient(ZILDebugServer* s) {
  closeFd(&s->fd);
  s->inbox.clear();
}

void ZILDebugCloseServer(ZILDebugServer* s) {
  ZILDebugDropClient(s);
  closeFd(&s->listenFd);
}

bool ZILDebugSend(ZILDebugServer* s, const char* text, size_t length) {
  while (length > 0) {
    if (s->fd < 0)
      return false;
    ssize_t n = send(s->fd, text, length, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      ZILDebugDropClient(s);
      return false;
    }
    text += n;
    length -= static_cast<size_t>(n);
  }
  return s->fd >= 0;
}

bool ZILDebugSendText(ZILDebugServer* s, const std::string& text) { return ZILDebugSend(s, text.data(), text.size()); }

bool ZILDebugPrintf(ZILDebugServer* s, const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  int n = vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n < 0)
    return false;
  return ZILDebugSend(s, buffer, n < static_cast<int>(sizeof buffer) ? static_cast<size_t>(n) : sizeof buffer - 1);
}

bool ZILDebugReadLine(ZILDebugServer* s, std::string* line) {
  for (;;) {
    size_t end = s->inbox.find('\n');
    if (end != std::string::npos) {
      line->assign(s->inbox, 0, std::min<size_t>(end, ZIL_DEBUG_LINE_LIMIT));
      s->inbox.erase(0, end + 1);
      if (!line->empty() && line->back() == '\r')
        line->pop_back();
      return true;
    }
    if (s->fd < 0)
      return false;
    char buffer[1024];
    ssize_t n = recv(s->fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      ZILDebugDropClient(s);
      return false;
    }
    // An overlong line keeps only its beginning; the inbox never holds much more than one line,
    // since more is read only while it holds no complete line.
    s->inbox.append(buffer, static_cast<size_t>(n));
    if (s->inbox.size() > ZIL_DEBUG_LINE_LIMIT && s->inbox.find('\n') == std::string::npos)
      s->inbox.resize(ZIL_DEBUG_LINE_LIMIT);
  }
}
