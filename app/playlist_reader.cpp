// Reading station lists (see playlist_reader.h). Texts are read line by line: markers and keys
// are recognised only at the start of a line and without regard to case, while addresses and
// titles keep their bytes (URL paths and queries are case-sensitive). Every loop is bounded by
// the file size limit and the entry cap, so a hostile file costs at most a megabyte of work.
#include "app/playlist_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>
#include <system_error>

#include "app/stream_text.h"

namespace ZTools {

namespace fs = std::filesystem;

namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i]))
      return false;
  return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

// Blanks and control characters (codes up to 32) around a value are not part of it.
std::string_view Trim(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32)
    s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32)
    s.remove_suffix(1);
  return s;
}

bool HasControlByte(std::string_view s) {
  return std::any_of(s.begin(), s.end(), [](char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u < 32 || u == 127;
  });
}

// Lines end at carriage returns and line feeds; each is trimmed and blank ones are skipped.
std::vector<std::string_view> NonBlankLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    size_t end = text.find_first_of("\r\n");
    std::string_view line = Trim(text.substr(0, end));
    if (!line.empty())
      lines.push_back(line);
    if (end == std::string_view::npos)
      break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// A title as scripts and the desktop bus may see it: control bytes become blanks and a text
// that is not UTF-8 is read as Windows-1252. Empty titles fall back to the station's name.
std::string TitleText(std::string_view raw, const std::string& stationName) {
  std::string text(Trim(raw));
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 32 || c == 127)
      c = ' ';
  return text.empty() ? stationName : ZToUtf8(text);
}

// An address is usable when it is not empty and holds no control byte (a zero or a tab would
// end or corrupt it on its way to the network code).
bool UsableAddress(std::string_view address) { return !address.empty() && !HasControlByte(address); }

// "scheme://..." with a scheme of letters, digits, '+', '-' and '.' that starts with a letter.
bool IsAbsoluteAddress(std::string_view line) {
  size_t colon = line.find("://");
  if (colon == 0 || colon == std::string_view::npos)
    return false;
  if (!std::isalpha(static_cast<unsigned char>(line[0])))
    return false;
  for (char c : line.substr(0, colon))
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
      return false;
  return true;
}

bool IsPlsMarker(std::string_view line) { return EqualsNoCase(line, "[playlist]"); }

// "#EXTM3U" alone or followed by blank-separated attributes.
bool IsM3uMarker(std::string_view line) {
  return StartsWithNoCase(line, "#EXTM3U") && (line.size() == 7 || static_cast<unsigned char>(line[7]) <= 32);
}

// The decimal digits at the start of `digits`, saturated just above `cap`; nullopt without one.
std::optional<size_t> LeadingNumber(std::string_view digits, size_t cap) {
  size_t n = 0, i = 0;
  for (; i < digits.size() && digits[i] >= '0' && digits[i] <= '9'; ++i)
    n = std::min(n * 10 + static_cast<size_t>(digits[i] - '0'), cap + 1);
  if (i == 0)
    return std::nullopt;
  return n;
}

// The index of a key "<prefix><digits>" (prefix in any case) within 1..count, else 0.
size_t KeyIndex(std::string_view key, std::string_view prefix, size_t count) {
  if (!StartsWithNoCase(key, prefix) || key.size() == prefix.size())
    return 0;
  std::string_view digits = key.substr(prefix.size());
  std::optional<size_t> n = LeadingNumber(digits, count);
  if (!n || digits.find_first_not_of("0123456789") != std::string_view::npos)
    return 0;
  return *n <= count ? *n : 0;
}

struct KeyValue {
  std::string_view key, value;
};

std::optional<KeyValue> SplitKey(std::string_view line) {
  size_t eq = line.find('=');
  if (eq == std::string_view::npos)
    return std::nullopt;
  return KeyValue{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

// PLS: NumberOfEntries=n, then FileI= (address) and TitleI= (title) for I in 1..n; the first
// line of each key counts. Other keys (Version, LengthI) carry nothing the player uses.
PlaylistStation ParsePls(const std::vector<std::string_view>& lines, const std::string& name, std::string* why) {
  PlaylistStation station{name, {}, {}};
  std::optional<size_t> count;
  for (std::string_view line : lines) {
    std::optional<KeyValue> kv = SplitKey(line);
    if (kv && EqualsNoCase(kv->key, "NumberOfEntries")) {
      count = LeadingNumber(kv->value, kPlaylistMaxEntries);
      if (!count && why)
        *why = "NumberOfEntries has no number";
      break;
    }
  }
  if (!count) {
    if (why && why->empty())
      *why = "PLS playlist without NumberOfEntries";
    return station;
  }
  size_t n = std::min(*count, kPlaylistMaxEntries);
  std::vector<std::optional<std::string_view>> files(n + 1), titles(n + 1);
  for (std::string_view line : lines) {
    std::optional<KeyValue> kv = SplitKey(line);
    if (!kv)
      continue;
    if (size_t i = KeyIndex(kv->key, "File", n); i && !files[i])
      files[i] = kv->value;
    if (size_t i = KeyIndex(kv->key, "Title", n); i && !titles[i])
      titles[i] = kv->value;
  }
  for (size_t i = 1; i <= n; ++i) {
    if (!files[i] || !UsableAddress(*files[i]))
      continue;
    station.urls.emplace_back(*files[i]);
    station.titles.push_back(titles[i] ? TitleText(*titles[i], name) : name);
  }
  if (station.urls.empty() && why)
    *why = "PLS playlist without a usable FileN= address";
  return station;
}

// "#EXTINF:<duration> <attributes>,<title>": the title follows the first comma outside double
// quotes, since attribute values (group-title="Jazz, Blues") may hold commas.
std::optional<std::string_view> ExtinfTitle(std::string_view line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"')
      quoted = !quoted;
    else if (line[i] == ',' && !quoted)
      return line.substr(i + 1);
  }
  return std::nullopt;
}

// M3U: every line that is not a comment is an address; an #EXTINF line names the next one.
// Without the #EXTM3U marker (`extended` false) every address must be absolute ("scheme://"),
// so that a stray text file with a playlist extension does not become a station.
PlaylistStation ParseM3u(const std::vector<std::string_view>& lines, const std::string& name, bool extended,
                         std::string* why) {
  PlaylistStation station{name, {}, {}};
  std::string title = name;
  for (std::string_view line : lines) {
    if (line.front() == '#') {
      if (!extended)
        continue;
      if (StartsWithNoCase(line, "#EXTINF:"))
        if (std::optional<std::string_view> text = ExtinfTitle(line))
          title = TitleText(*text, name);
      continue;
    }
    if (!extended && !IsAbsoluteAddress(line)) {
      if (why)
        *why = "neither [playlist] nor #EXTM3U, and not a list of stream addresses";
      return PlaylistStation{name, {}, {}};
    }
    if (UsableAddress(line)) {
      station.urls.emplace_back(line);
      station.titles.push_back(title);
      if (station.urls.size() == kPlaylistMaxEntries)
        break;
    }
    title = name;
  }
  if (station.urls.empty() && why)
    *why = extended ? "M3U playlist without an address" : "no [playlist] or #EXTM3U and no address";
  return station;
}

std::string TooLarge() { return "larger than " + std::to_string(kPlaylistMaxFileBytes >> 20) + " MiB"; }

// Reads a regular file of at most kPlaylistMaxFileBytes. Opening without blocking keeps a FIFO
// or device in the folder from stalling start-up; the checks are made on the opened file.
std::string ReadSmallFile(const fs::path& file, std::string& text) {
  int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return std::string("cannot be opened: ") + std::strerror(errno);
  struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
  } closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
    return "not a regular file";
  if (static_cast<unsigned long long>(info.st_size) > kPlaylistMaxFileBytes)
    return TooLarge();
  // Read to the end rather than trusting the size: the file may grow while it is read.
  text.clear();
  char chunk[16384];
  for (;;) {
    ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      return std::string("cannot be read: ") + std::strerror(errno);
    if (got == 0)
      break;
    text.append(chunk, static_cast<size_t>(got));
    if (text.size() > kPlaylistMaxFileBytes)
      return TooLarge();
  }
  return {};
}

void ReadFolder(const fs::path& folder, int depth, std::vector<PlaylistStation>& stations,
                std::vector<std::string>* skipped) {
  std::vector<fs::path> entries;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    entries.push_back(it->path());
  // Byte order of the names (char_traits compares as unsigned bytes), not the listing order,
  // which differs between file systems and after a copy.
  std::sort(entries.begin(), entries.end(),
            [](const fs::path& a, const fs::path& b) { return a.filename().native() < b.filename().native(); });
  for (const fs::path& entry : entries) {
    fs::file_status status = fs::symlink_status(entry, ec);
    if (ec || fs::is_symlink(status))
      continue;
    if (fs::is_directory(status)) {
      if (depth < kPlaylistMaxFolderDepth)
        ReadFolder(entry, depth + 1, stations, skipped);
      continue;
    }
    if (!fs::is_regular_file(status) || !IsPlaylistFileName(entry))
      continue;
    std::string why;
    PlaylistStation station = ReadPlaylistFile(entry, &why);
    if (!station.urls.empty())
      stations.push_back(std::move(station));
    else if (skipped)
      skipped->push_back(entry.string() + ": " + why);
  }
}

}  // namespace

std::string PlaylistStationName(const fs::path& file) {
  std::string name = file.filename().string();
  for (std::string_view ext : {".pls", ".m3u", ".m3u8"}) {
    if (name.size() > ext.size() && EndsWithNoCase(name, ext)) {
      name.resize(name.size() - ext.size());
      break;
    }
  }
  // A name of nothing but blanks and control bytes falls back to the whole file name.
  std::string clean = TitleText(name, "");
  return clean.empty() ? TitleText(file.filename().string(), "") : clean;
}

bool IsPlaylistFileName(const fs::path& file) {
  std::string ext = file.extension().string();
  return EqualsNoCase(ext, ".pls") || EqualsNoCase(ext, ".m3u") || EqualsNoCase(ext, ".m3u8");
}

PlaylistStation ParsePlaylistText(std::string_view text, const std::string& stationName, std::string* why) {
  if (why)
    why->clear();
  constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
  if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom)
    text.remove_prefix(kUtf8Bom.size());
  std::vector<std::string_view> lines = NonBlankLines(text);
  bool pls = std::any_of(lines.begin(), lines.end(), IsPlsMarker);
  if (pls)
    return ParsePls(lines, stationName, why);
  bool extended = std::any_of(lines.begin(), lines.end(), IsM3uMarker);
  return ParseM3u(lines, stationName, extended, why);
}

PlaylistStation ReadPlaylistFile(const fs::path& file, std::string* why) {
  std::string text;
  std::string failure = ReadSmallFile(file, text);
  if (!failure.empty()) {
    if (why)
      *why = failure;
    return PlaylistStation{PlaylistStationName(file), {}, {}};
  }
  return ParsePlaylistText(text, PlaylistStationName(file), why);
}

std::vector<PlaylistStation> ReadPlaylistFolder(const fs::path& folder) { return ReadPlaylistFolder(folder, nullptr); }

std::vector<PlaylistStation> ReadPlaylistFolder(const fs::path& folder, std::vector<std::string>* skipped) {
  std::vector<PlaylistStation> stations;
  ReadFolder(folder, 0, stations, skipped);
  return stations;
}

}  // namespace ZTools
