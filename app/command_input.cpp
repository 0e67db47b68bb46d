// The player's text commands on standard input: the reader thread (poll on the input and a stop
// pipe, lines into a queue under one mutex) and the listener pane that writes the answers.
#include "app/command_input.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "bindings/zsspanemanager.h"
#include "ztools/zpaneevent.h"

namespace ZTools {
namespace {

bool IsBlankLine(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

}  // namespace

bool CommandInput::Start(int fd) {
  if (thread_.joinable())
    return true;
  if (pipe2(stop_, O_CLOEXEC) != 0) {
    stop_[0] = stop_[1] = -1;
    return false;
  }
  // The thread starts with every signal blocked, so SIGTERM and SIGINT reach the UI thread.
  sigset_t all, previous;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &previous);
  bool started = true;
  try {
    thread_ = std::thread([this, fd] { Read(fd); });
  } catch (const std::system_error&) {
    started = false;
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (!started)
    Stop();
  return started;
}

void CommandInput::Stop() {
  if (thread_.joinable()) {
    const char byte = 0;
    while (write(stop_[1], &byte, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
  }
  for (int& end : stop_) {
    if (end >= 0)
      close(end);
    end = -1;
  }
}

std::vector<std::string> CommandInput::Take() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> taken(std::make_move_iterator(lines_.begin()), std::make_move_iterator(lines_.end()));
  lines_.clear();
  return taken;
}

void CommandInput::Push(std::string_view line) {
  if (!line.empty() && line.back() == '\r')
    line.remove_suffix(1);
  if (IsBlankLine(line))
    return;
  std::lock_guard<std::mutex> lock(mutex_);
  lines_.emplace_back(line);
}

void CommandInput::Read(int fd) {
  std::string pending;
  bool overlong = false;  // dropping the rest of a line that grew past kMaxLine
  char buffer[4096];
  for (;;) {
    pollfd waits[2] = {{fd, POLLIN, 0}, {stop_[0], POLLIN, 0}};
    if (poll(waits, 2, -1) < 0) {
      if (errno == EINTR)
        continue;
      break;
    }
    if (waits[1].revents)
      return;  // stopped: not an end of input
    if (!waits[0].revents)
      continue;
    const ssize_t n = (waits[0].revents & POLLNVAL) ? -1 : read(fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
      continue;
    if (n <= 0)
      break;
    for (std::string_view chunk(buffer, size_t(n)); !chunk.empty();) {
      const size_t end = chunk.find('\n');
      const std::string_view piece = chunk.substr(0, end);
      if (!overlong)
        pending.append(piece);
      if (pending.size() > kMaxLine) {
        if (!overlong)
          std::fprintf(stderr, "sonabel: a command line longer than %zu bytes is ignored\n", kMaxLine);
        overlong = true;
        pending.clear();
      }
      if (end == std::string_view::npos)
        break;
      if (!overlong)
        Push(pending);
      pending.clear();
      overlong = false;
      chunk.remove_prefix(end + 1);
    }
  }
  // End of input (or a read error): the last line counts; the player goes on without input.
  if (!overlong)
    Push(pending);
}

int32_t CommandOutput::OnEvent(ZEvent* event) {
  if (event && event->Id() == kPaneSetText)
    Write(static_cast<ZPaneEvent*>(event)->Text().View());
  return 0;
}

void CommandOutput::Write(std::string_view text) {
  answers_++;
  std::fwrite(text.data(), 1, text.size(), out_);
  if (text.empty() || text.back() != '\n')
    std::fputc('\n', out_);
  std::fflush(out_);
}

void CommandOutput::Run(ZSSPaneManager& manager, std::string_view line) {
  const size_t before = answers_;
  if (manager.Command(line, this) == 0 && answers_ == before)
    Write("* not understood: " + std::string(line) + " (help lists the commands)");
}

}  // namespace ZTools
