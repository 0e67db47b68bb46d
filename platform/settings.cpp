// The settings file: escaping, parsing, and the locked read-change-replace of a store.
#include "platform/settings.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <vector>

namespace Platform {
namespace {

using Section = std::map<std::string, std::string>;
using Settings = std::map<std::string, Section>;

// Bytes that would end a line, start a section, split a name from its value or start an escape
// are written as \xHH; everything else (UTF-8 included) stays as it is.
std::string Escape(std::string_view text, bool name) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : text) {
    const bool special = c < 0x20 || c == 0x7f || c == '\\' ||
                         (name && (c == '=' || c == '[' || c == ']' || c == ';' || c == '#' || c == ' '));
    if (special) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += char(c);
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

std::optional<std::string> Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); i++) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (i + 3 >= text.size() || text[i + 1] != 'x')
      return std::nullopt;
    const int hi = HexDigit(text[i + 2]), lo = HexDigit(text[i + 3]);
    if (hi < 0 || lo < 0)
      return std::nullopt;
    out += char(hi * 16 + lo);
    i += 3;
  }
  return out;
}

// Parses the file's text; nullopt when it is not a settings file this program wrote.
std::optional<Settings> Parse(std::string_view text) {
  Settings settings;
  Section* current = nullptr;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    if (line.empty() || line.front() == ';' || line.front() == '#')
      continue;
    if (line.front() == '[') {
      if (line.size() < 2 || line.back() != ']')
        return std::nullopt;
      auto name = Unescape(line.substr(1, line.size() - 2));
      if (!name)
        return std::nullopt;
      current = &settings[*name];
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos || !current)
      return std::nullopt;
    auto name = Unescape(line.substr(0, eq));
    auto value = Unescape(line.substr(eq + 1));
    if (!name || !value)
      return std::nullopt;
    (*current)[*name] = *value;
  }
  return settings;
}

std::string Format(const Settings& settings) {
  std::string text = "; Sonabel settings. Written by the program: edits are kept only while it is not running.\n";
  for (const auto& [section, entries] : settings) {
    if (entries.empty())
      continue;
    text += "\n[" + Escape(section, true) + "]\n";
    for (const auto& [name, value] : entries)
      text += Escape(name, true) + "=" + Escape(value, false) + "\n";
  }
  return text;
}

// The whole file: an absent file is empty; nullopt when it exists but cannot be read.
std::optional<std::string> ReadWhole(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return errno == ENOENT ? std::optional<std::string>("") : std::nullopt;
  std::string text;
  char buffer[8192];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0) {
      close(fd);
      return std::nullopt;
    }
    if (n == 0)
      break;
    text.append(buffer, size_t(n));
    if (text.size() > (size_t{16} << 20)) {  // no settings file is this large
      close(fd);
      return std::nullopt;
    }
  }
  close(fd);
  return text;
}

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    text.remove_prefix(size_t(n));
  }
  return true;
}

// Section and value name of a key path, '/' and '\' alike; nullopt without a section.
std::optional<std::pair<std::string, std::string>> SplitKey(std::string_view keyPath) {
  // Both separators name the same key; the file writes '/' between the components.
  std::string key(keyPath);
  for (char& c : key)
    if (c == '\\')
      c = '/';
  const size_t last = key.rfind('/');
  if (last == std::string::npos || last == 0)
    return std::nullopt;
  return std::make_pair(key.substr(0, last), key.substr(last + 1));
}

// Holds an exclusive lock on the settings folder's lock file while it lives.
class FileLock {
 public:
  explicit FileLock(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    while (fd_ >= 0 && flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  ~FileLock() {
    if (fd_ >= 0)
      close(fd_);  // closing releases the lock
  }
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_;
};

}  // namespace

std::string SettingsFilePath() {
  if (const char* file = std::getenv("SONABEL_SETTINGS_FILE"); file && *file)
    return file;
  std::string base;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
    base = config;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.config";
  } else {
    base = "/tmp";
  }
  return base + "/sonabel/settings.ini";
}

int ReadSetting(std::string_view keyPath, std::string& value) {
  const auto key = SplitKey(keyPath);
  if (!key)
    return kSettingsFailed;
  const auto text = ReadWhole(SettingsFilePath());
  const auto settings = text ? Parse(*text) : std::nullopt;
  if (!settings)
    return kSettingsFailed;
  const auto section = settings->find(key->first);
  if (section == settings->end())
    return kSettingsFailed;
  const auto entry = section->second.find(key->second);
  if (entry == section->second.end())
    return kSettingsFailed;
  value = entry->second;
  return 0;
}

int StoreSetting(std::string_view keyPath, std::string_view value) {
  const auto key = SplitKey(keyPath);
  if (!key)
    return kSettingsBadPath;
  const std::string path = SettingsFilePath();
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  FileLock lock(path + ".lock");
  if (!lock.Held())
    return kSettingsFailed;
  // Read again under the lock: another player may have stored since this one last read.
  const auto text = ReadWhole(path);
  auto settings = text ? Parse(*text) : std::nullopt;
  if (!settings)
    return kSettingsFailed;  // never replace a file this program cannot read
  (*settings)[key->first][key->second] = std::string(value);

  const std::string temp = path + ".new";
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0)
    return kSettingsFailed;
  const bool written = WriteAll(fd, Format(*settings)) && fsync(fd) == 0;
  if (close(fd) != 0 || !written || rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return kSettingsFailed;
  }
  // The rename itself reaches the disk with the folder.
  if (const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return 0;
}

}  // namespace Platform
