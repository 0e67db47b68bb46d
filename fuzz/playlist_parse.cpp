// libFuzzer target for the playlists a radio address may answer with. An input is the answer's
// content type (first line), the address it came from (second line) and its body (the rest);
// the body is sniffed as the stream opener does and read as PLS and as M3U. Every entry kept
// must be a web address.
// fuzz-links: sonabel_audio
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "audio/playlist_parse.h"

namespace {

std::string nextLine(std::string& rest) {
  size_t end = rest.find('\n');
  std::string line = rest.substr(0, end);
  rest.erase(0, end == std::string::npos ? rest.size() : end + 1);
  return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace audio;
  std::string body(reinterpret_cast<const char*>(data), size);
  std::string mime = nextLine(body);
  std::string base = nextLine(body);
  PlaylistKind detected = detectPlaylist(mime, body);
  (void)looksLikeMarkup(mime, body);
  for (PlaylistKind kind : {PlaylistKind::Pls, PlaylistKind::M3u, detected}) {
    for (const std::string& entry : playlistEntries(kind, body, base))
      if (!isHttpUrl(entry))
        std::abort();
  }
  (void)resolveUrl(base, body);
  return 0;
}
