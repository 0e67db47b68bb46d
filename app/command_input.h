// The player's text commands on standard input (--commands). A reader thread only collects
// lines; the UI thread takes them on its idle turn, runs each through the pane manager's command
// interface and writes the answers to standard output, one text per line.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "ztools/zview.h"

namespace ZTools {

class ZSSPaneManager;

// Lines read from a file descriptor on a thread of their own. The thread waits in poll() on the
// input and on a stop pipe, so Stop() ends it at any moment and the process never waits for input.
class CommandInput {
 public:
  // Longer lines are dropped (with a note on standard error) rather than collected without end.
  static constexpr size_t kMaxLine = 65536;

  CommandInput() = default;
  ~CommandInput() { Stop(); }
  CommandInput(const CommandInput&) = delete;
  CommandInput& operator=(const CommandInput&) = delete;

  // Starts reading `fd`; false when the thread or its stop pipe could not be had.
  bool Start(int fd);
  // Ends the reader and joins it; lines not taken yet stay takeable.
  void Stop();
  // The lines that arrived since the last call, in order: without the line end (nor a "\r"
  // before it), blank lines left out. A last line without a line end counts once input ends.
  std::vector<std::string> Take();

 private:
  void Read(int fd);
  void Push(std::string_view line);

  std::thread thread_;
  int stop_[2] = {-1, -1};
  std::mutex mutex_;  // guards lines_, held only to move lines in or out
  std::deque<std::string> lines_;
};

// The listener pane of the command interface: every PaneSetText text goes to `out` as it comes,
// with a line end added when the text has none, and is flushed at once.
class CommandOutput : public ZView {
 public:
  explicit CommandOutput(std::FILE* out) : out_(out) {}
  int32_t OnEvent(ZEvent* event) override;

  // Runs one command line; a line the interface neither ran nor answered is answered with
  // "* not understood: LINE (help lists the commands)".
  void Run(ZSSPaneManager& manager, std::string_view line);

 private:
  void Write(std::string_view text);

  std::FILE* out_;
  size_t answers_ = 0;
};

}  // namespace ZTools
