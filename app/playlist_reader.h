// The player's station lists: PLS and M3U/M3U8 playlist files, one station per file, and a
// folder tree of them read in name order, so that a stored station index names the same station
// after a restart. Plain file-system code; the pane manager hands each station to the skin.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ZTools {

// `titles` and `urls` run in parallel. Names and titles are valid UTF-8 (a text that is not is
// read as Windows-1252); addresses are kept byte for byte as the file writes them.
struct PlaylistStation {
  std::string name;
  std::vector<std::string> titles;
  std::vector<std::string> urls;
};

// Limits that keep a hostile or mistaken file from costing memory or time.
inline constexpr std::size_t kPlaylistMaxFileBytes = 1 << 20;
inline constexpr std::size_t kPlaylistMaxEntries = 10000;  // entries of one station (and PLS count)
inline constexpr int kPlaylistMaxFolderDepth = 8;          // folder levels below the top folder

// The file name without a trailing ".pls", ".m3u" or ".m3u8" in any letter case.
std::string PlaylistStationName(const std::filesystem::path& file);

// Whether a folder walk reads the file: its extension is one of the above, in any case.
bool IsPlaylistFileName(const std::filesystem::path& file);

// Reads a playlist text; `stationName` is the station's name and the title of entries without
// one. Nothing (empty urls) when it yields no address, with a one-line reason in `why`.
PlaylistStation ParsePlaylistText(std::string_view text, const std::string& stationName, std::string* why = nullptr);

// One file: nothing (empty urls) when it yields no address. `why` gets a one-line reason for a
// skipped file (cannot be opened, not a regular file, too large, or what the text lacks).
PlaylistStation ReadPlaylistFile(const std::filesystem::path& file, std::string* why = nullptr);

// Every station of a folder, in order: the entries of each folder sorted by the bytes of their
// names, a subfolder read at its place in that order. Symbolic links inside are ignored; files
// that yield nothing are left out.
std::vector<PlaylistStation> ReadPlaylistFolder(const std::filesystem::path& folder);

// The same; `skipped` also receives "path: reason" for each playlist file that yielded nothing.
std::vector<PlaylistStation> ReadPlaylistFolder(const std::filesystem::path& folder, std::vector<std::string>* skipped);

}  // namespace ZTools
