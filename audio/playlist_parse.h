// Recognising and reading the playlists a radio URL may answer with: PLS ("[playlist]",
// FileN= entries in N order), M3U/M3U8 (one address per line, '#' lines are comments) and HLS
// media or master playlists, which FFmpeg plays itself. Entries are resolved against the
// playlist's own address and only http/https entries are kept.
#pragma once

#include <string>
#include <vector>

namespace audio {

enum class PlaylistKind {
  None,
  Pls,
  M3u,
  Hls
};

// From the content type and the first bytes of the body.
PlaylistKind detectPlaylist(const std::string& mimeType, const std::string& head);
std::vector<std::string> playlistEntries(PlaylistKind kind, const std::string& body, const std::string& baseUrl);
std::string resolveUrl(const std::string& base, const std::string& ref);
bool isHttpUrl(const std::string& url);
// True when the first bytes look like an HTML or XML page rather than audio.
bool looksLikeMarkup(const std::string& mimeType, const std::string& head);

}  // namespace audio
