// The script debug log: choosing its folder, rotating an oversized file, and the per-session
// byte budget, so a script that logs in its idle hook can never fill the disk.
#include "bindings/zscriptlog.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace ZTools {
namespace {

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/')
    folder.push_back('/');
  return folder;
}

std::string ProgramFolder() {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error)
    return {};
  return WithSlash(exe.parent_path().string());
}

std::string StateFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  std::string base;
  if (state && *state == '/') {
    base = state;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home && *home ? home : ".") + "/.local/state";
  }
  return WithSlash(base) + "sonabel/";
}

}  // namespace

std::string ScriptLogFolder() {
  // For tests and for users who want the log elsewhere.
  const char* forced = std::getenv("SONABEL_SCRIPT_LOG_DIR");
  if (forced && *forced)
    return WithSlash(forced);
  std::string program = ProgramFolder();
  if (!program.empty() && ::access(program.c_str(), W_OK) == 0)
    return program;
  return StateFolder();
}

std::unique_ptr<ZScriptLogFile> ZScriptLogFile::OpenSession() {
  const std::string folder = ScriptLogFolder();
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  const std::string path = folder + kScriptLogName;
  auto size = std::filesystem::file_size(path, error);
  if (!error && int64_t(size) > kScriptLogRotateBytes)
    std::filesystem::rename(path, path + ".1", error);
  auto log = std::make_unique<ZScriptLogFile>();
  if (log->Open(path, kZFileAppend, true) != 0)
    return nullptr;
  log->WriteRaw(kScriptLogSessionStart);
  return log;
}

void ZScriptLogFile::WriteRaw(std::string_view text) {
  if (!file_ || text.empty())
    return;
  written_ += Write(text.data(), int64_t(text.size()));
  std::fflush(file_);
}

void ZScriptLogFile::WriteEntry(std::string_view text) {
  if (full_)
    return;
  if (written_ + int64_t(text.size()) > kScriptLogSessionBytes) {
    full_ = true;
    WriteRaw(kScriptLogLimitLine);
    return;
  }
  WriteRaw(text);
}

void ZScriptLogFile::CloseSession() {
  if (!IsOpen())
    return;
  WriteRaw(kScriptLogSessionEnd);
  Close();
}

}  // namespace ZTools
