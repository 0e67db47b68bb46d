// The script debug log "scriptdebug.log": where it lies, how it is kept small, and the framing
// of one logging session. The file sits beside the program when that folder is writable, else in
// $XDG_STATE_HOME/sonabel/ (default ~/.local/state/sonabel/); SONABEL_SCRIPT_LOG_DIR names the
// folder outright (tests use it so that they never write beside the test program).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "ztools/base/zfile.h"

namespace ZTools {

inline constexpr const char* kScriptLogName = "scriptdebug.log";
inline constexpr const char* kScriptLogSessionStart = "------------------ Logging session started ------------------\n";
inline constexpr const char* kScriptLogSessionEnd =
    "-------------------- End logging session --------------------\n\n\n";
inline constexpr const char* kScriptLogLimitLine = "Log limit reached: nothing more is written in this session.\n";
// A file larger than this when a session opens it moves to scriptdebug.log.1 (one old file kept).
inline constexpr int64_t kScriptLogRotateBytes = int64_t{1} << 20;
// One session writes at most this much; then one line saying so, and nothing more.
inline constexpr int64_t kScriptLogSessionBytes = int64_t{4} << 20;

// The folder the log goes to (see above), with a trailing '/'.
std::string ScriptLogFolder();

// One logging session on the log file, appended in binary mode and flushed after every write.
class ZScriptLogFile : public ZFile {
 public:
  // Opens (rotating first when the file is too large) and writes the session's start line.
  // Null when the file cannot be opened.
  static std::unique_ptr<ZScriptLogFile> OpenSession();

  // Writes text unless the session's budget is spent; the write that would overrun it is
  // replaced by the limit line.
  void WriteEntry(std::string_view text);
  // Writes the end line and closes the file.
  void CloseSession();

  int64_t SessionBytes() const noexcept { return written_; }

 private:
  void WriteRaw(std::string_view text);

  int64_t written_ = 0;
  bool full_ = false;
};

}  // namespace ZTools
