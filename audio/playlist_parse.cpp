// Playlist detection and parsing for radio URLs.
#include "audio/playlist_parse.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>

namespace audio {
namespace {

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && std::isspace(static_cast<unsigned char>(s[a])))
    ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1])))
    --b;
  return s.substr(a, b - a);
}

std::string skipBom(const std::string& s) { return s.rfind("\xEF\xBB\xBF", 0) == 0 ? s.substr(3) : s; }

}  // namespace

bool isHttpUrl(const std::string& url) {
  std::string l = lower(url.substr(0, 8));
  return l.rfind("http://", 0) == 0 || l.rfind("https://", 0) == 0;
}

PlaylistKind detectPlaylist(const std::string& mimeType, const std::string& rawHead) {
  std::string mime = lower(mimeType);
  std::string head = lower(trim(skipBom(rawHead)));
  bool hls = head.find("#ext-x-") != std::string::npos;
  if (head.rfind("[playlist]", 0) == 0)
    return PlaylistKind::Pls;
  if (head.rfind("#extm3u", 0) == 0)
    return hls ? PlaylistKind::Hls : PlaylistKind::M3u;
  if (mime.find("scpls") != std::string::npos)
    return PlaylistKind::Pls;
  if (mime.find("mpegurl") != std::string::npos)
    return hls ? PlaylistKind::Hls : PlaylistKind::M3u;
  if (isHttpUrl(head) && (mime.empty() || mime.rfind("text/", 0) == 0 || mime.rfind("audio/x-mpegurl", 0) == 0))
    return PlaylistKind::M3u;  // a bare list of addresses
  return PlaylistKind::None;
}

bool looksLikeMarkup(const std::string& mimeType, const std::string& rawHead) {
  std::string mime = lower(mimeType);
  std::string head = lower(trim(skipBom(rawHead)));
  if (mime.rfind("text/html", 0) == 0 || mime.find("xml") != std::string::npos)
    return true;
  return head.rfind("<!doctype", 0) == 0 || head.rfind("<html", 0) == 0 || head.rfind("<?xml", 0) == 0;
}

std::string resolveUrl(const std::string& base, const std::string& ref) {
  if (ref.find("://") != std::string::npos)
    return ref;
  size_t schemeEnd = base.find("://");
  if (schemeEnd == std::string::npos)
    return ref;
  size_t hostEnd = base.find('/', schemeEnd + 3);
  std::string origin = hostEnd == std::string::npos ? base : base.substr(0, hostEnd);
  if (ref.rfind("//", 0) == 0)
    return base.substr(0, schemeEnd + 1) + ref;
  if (!ref.empty() && ref[0] == '/')
    return origin + ref;
  std::string path = hostEnd == std::string::npos ? "/" : base.substr(hostEnd);
  path = path.substr(0, path.find_first_of("?#"));
  path = path.substr(0, path.rfind('/') + 1);
  return origin + path + ref;
}

std::vector<std::string> playlistEntries(PlaylistKind kind, const std::string& body, const std::string& baseUrl) {
  std::vector<std::string> out;
  std::istringstream in(skipBom(body));
  std::string line;
  if (kind == PlaylistKind::Pls) {
    std::map<long, std::string> files;  // FileN=, in N order
    while (std::getline(in, line)) {
      line = trim(line);
      size_t eq = line.find('=');
      if (eq == std::string::npos || lower(line.substr(0, 4)) != "file")
        continue;
      std::string digits = line.substr(4, eq - 4);
      if (digits.empty() || digits.size() > 6 || !std::all_of(digits.begin(), digits.end(), ::isdigit))
        continue;
      files.emplace(std::stol(digits), trim(line.substr(eq + 1)));
    }
    for (auto& [n, url] : files)
      out.push_back(url);
  } else if (kind == PlaylistKind::M3u) {
    while (std::getline(in, line)) {
      line = trim(line);
      if (!line.empty() && line[0] != '#')
        out.push_back(line);
    }
  }
  std::vector<std::string> resolved;
  for (auto& entry : out) {
    std::string url = resolveUrl(baseUrl, entry);
    if (isHttpUrl(url))
      resolved.push_back(url);
  }
  return resolved;
}

}  // namespace audio
