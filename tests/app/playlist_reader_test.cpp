// Station lists: PLS and M3U/M3U8 files as real station lists write them (CRLF, attributes,
// missing titles, either or both markers, byte-order marks, hostile counts), the station name
// rule, skipped files and their reasons, the order of a folder tree, and the lists the player ships.
#include "app/playlist_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/ztools/resourcetestfiles.h"

using namespace ZTools;
using namespace std::string_literals;
using ResourceTest::TempFolder;
using ResourceTest::WriteFile;
using Strings = std::vector<std::string>;

namespace {

struct FileCase {
  const char* what;
  const char* file;
  std::string text;
  Strings titles;
  Strings urls;
};

// Each file is read from disk; the station name is the file name without its extension.
TEST(PlaylistReaderTest, ReadsStationListFiles) {
  const std::string kCased = "http://Radio.example:8000/Jazz?Key=AbC";
  const FileCase cases[] = {
      {"PLS with CRLF, Version=2, Length=-1, keys and marker in other cases",
       "Jazz.pls",
       "[Playlist]\r\nNumberOfEntries=2\r\nFILE1=" + kCased +
           "\r\ntitle1=Smooth FM\r\nLength1=-1\r\n"
           "File2=https://b.example/s\r\nTitle2=Second\r\nVersion=2\r\n",
       {"Smooth FM", "Second"},
       {kCased, "https://b.example/s"}},
      {"NumberOfEntries after the entries, blank lines, a missing File2 and a missing title",
       "Jazz.pls",
       "[playlist]\n\nFile1=http://a/1\n\n  File3 = http://a/3  \nTitle3=Three\nNumberOfEntries=3\n",
       {"Jazz", "Three"},
       {"http://a/1", "http://a/3"}},
      {"keys only at the start of a line: no title or entry from inside an address",
       "Jazz.pls",
       "[playlist]\nNumberOfEntries=2\nFile1=http://a/?title1=Bad&x=File2=http://evil\n",
       {"Jazz"},
       {"http://a/?title1=Bad&x=File2=http://evil"}},
      {"a huge NumberOfEntries is capped, not overflowed",
       "Jazz.pls",
       "[playlist]\nNumberOfEntries=99999999999999999999999999\nFile1=http://a/1\nFile10001=http://a/x\n",
       {"Jazz"},
       {"http://a/1"}},
      {"both markers read as PLS",
       "Jazz.pls",
       "#EXTM3U\n#EXTINF:-1,Ignored\nhttp://m3u/\n[playlist]\nNumberOfEntries=1\nFile1=http://pls/\n",
       {"Jazz"},
       {"http://pls/"}},
      {"byte-order mark before the marker",
       "Jazz.pls",
       "\xEF\xBB\xBF[playlist]\nNumberOfEntries=1\nFile1=http://a/\n",
       {"Jazz"},
       {"http://a/"}},
      {"PLS without NumberOfEntries yields nothing", "Jazz.pls", "[playlist]\nFile1=http://a/\n", {}, {}},
      {"PLS whose NumberOfEntries has no digit yields nothing",
       "Jazz.pls",
       "[playlist]\nNumberOfEntries=x\nFile1=http://a/\n",
       {},
       {}},
      {"extended M3U: attributes with commas, CRLF, relative entries, other # lines, missing titles",
       "News.m3u",
       "\xEF\xBB\xBF#extm3u x-tvg-url=\"http://g/\"\r\n"
       "#EXTINF:-1 tvg-logo=\"http://l/a,b.png\" group-title=\"News, Talk\",World Service\r\n"
       "#EXTVLCOPT:network-caching=1000\r\n" +
           kCased +
           "\r\n\r\nhttp://b/\r\n"
           "#extinf:10,Local File\r\nstreams/Local.mp3\r\n#EXTINF:-1,\r\nhttp://c/\r\n",
       {"World Service", "News", "Local File", "News"},
       {kCased, "http://b/", "streams/Local.mp3", "http://c/"}},
      {"M3U8 is M3U", "Chill.M3U8", "#EXTM3U\n#EXTINF:-1,Chill Out\nhttps://c/\n", {"Chill Out"}, {"https://c/"}},
      {"no marker: a plain list of stream addresses",
       "List.m3u",
       "# my stations\nhttp://a/\nHTTPS://B/x\n",
       {"List", "List"},
       {"http://a/", "HTTPS://B/x"}},
      {"no marker and a line that is not an address yields nothing",
       "List.m3u",
       "http://a/\n<html>not found</html>\n",
       {},
       {}},
      {"Windows-1252 titles become UTF-8; UTF-8 titles stay",
       "Cafe.m3u",
       "#EXTM3U\n#EXTINF:-1,Caf\xE9 \x80\nhttp://a/\n#EXTINF:-1,Caf\xC3\xA9\nhttp://b/\n",
       {"Caf\xC3\xA9 \xE2\x82\xAC", "Caf\xC3\xA9"},
       {"http://a/", "http://b/"}},
      {"an address with a control byte is dropped",
       "News.m3u",
       "#EXTM3U\nhttp://a/\0x\nhttp://b/\n"s,
       {"News"},
       {"http://b/"}},
      {"an empty file yields nothing", "News.m3u", "", {}, {}},
  };
  for (const FileCase& c : cases) {
    TempFolder folder;
    WriteFile(folder.Path() / c.file, c.text);
    std::string why;
    PlaylistStation station = ReadPlaylistFile(folder.Path() / c.file, &why);
    EXPECT_EQ(station.titles, c.titles) << c.what;
    EXPECT_EQ(station.urls, c.urls) << c.what;
    EXPECT_EQ(why.empty(), !c.urls.empty()) << c.what << ": a reason exactly when skipped: " << why;
  }
}

TEST(PlaylistReaderTest, EntriesOfOneStationAreCapped) {
  TempFolder folder;
  std::string m3u = "#EXTM3U\n";
  for (size_t i = 0; i <= kPlaylistMaxEntries; ++i)
    m3u += "http://a/" + std::to_string(i) + "\n";
  WriteFile(folder.Path() / "Many.m3u", m3u);
  PlaylistStation station = ReadPlaylistFile(folder.Path() / "Many.m3u");
  EXPECT_EQ(station.urls.size(), kPlaylistMaxEntries);
  EXPECT_EQ(station.titles.size(), kPlaylistMaxEntries);
}

TEST(PlaylistReaderTest, StationNameDropsOnlyTheTrailingPlaylistExtension) {
  const std::pair<const char*, const char*> names[] = {
      {"Jazz.pls", "Jazz"},       {"Jazz.PLS", "Jazz"},   {"Rock.M3u", "Rock"},
      {"Chill.m3u8", "Chill"},    {"a.pls.m3u", "a.pls"}, {"Old.pls.bak", "Old.pls.bak"},
      {"x/Sub/News.m3u", "News"}, {".pls", ".pls"},       {"Caf\xE9.pls", "Caf\xC3\xA9"},
      {" \x01.pls", ".pls"},
  };
  for (const auto& [file, name] : names)
    EXPECT_EQ(PlaylistStationName(file), name) << file;
}

TEST(PlaylistReaderTest, SkippedFilesGiveAReason) {
  TempFolder folder;
  std::string big = "#EXTM3U\n" + std::string(kPlaylistMaxFileBytes, '#');
  WriteFile(folder.Path() / "big.m3u", big);
  ASSERT_EQ(mkfifo((folder / "pipe.m3u").c_str(), 0600), 0);  // must not block the reader
  const std::pair<const char*, const char*> cases[] = {
      {"big.m3u", "larger than 1 MiB"}, {"pipe.m3u", "not a regular file"}, {"missing.pls", "cannot be opened"}};
  for (const auto& [file, reason] : cases) {
    std::string why;
    EXPECT_TRUE(ReadPlaylistFile(folder.Path() / file, &why).urls.empty()) << file;
    EXPECT_NE(why.find(reason), std::string::npos) << file << ": " << why;
  }
  EXPECT_TRUE(ReadPlaylistFolder(folder.Path() / "missing").empty());
}

// Byte order of names (upper case before lower case), subfolders at their place, symbolic
// links ignored, other extensions and empty playlists left out, depth bounded.
TEST(PlaylistReaderTest, FolderIsReadInNameOrderWithoutFollowingLinks) {
  TempFolder top;
  auto list = [](const std::string& url) {
    return "#EXTM3U\n" + url + "\n";
  };
  WriteFile(top.Path() / "b.pls", "[playlist]\nNumberOfEntries=1\nFile1=http://b/\n");
  WriteFile(top.Path() / "A.m3u", list("http://A/"));
  WriteFile(top.Path() / "Sub/z.m3u8", list("http://z/"));
  WriteFile(top.Path() / "Sub/Deeper/x.M3U", list("http://x/"));
  WriteFile(top.Path() / "Sub/a.PLS", "[playlist]\nNumberOfEntries=1\nFile1=http://a/\n");
  WriteFile(top.Path() / "c.txt", list("http://c/"));
  WriteFile(top.Path() / "empty.pls", "[playlist]\nNumberOfEntries=0\n");
  std::filesystem::path deep = top.Path() / "deep";  // one level below the top folder
  for (int level = 2; level <= kPlaylistMaxFolderDepth; ++level)
    deep /= "d";
  WriteFile(deep / "last.m3u", list("http://last/"));
  WriteFile(deep / "d" / "tooDeep.m3u", list("http://tooDeep/"));
  std::filesystem::create_directory_symlink(top.Path() / "Sub", top.Path() / "Link");
  std::filesystem::create_symlink(top.Path() / "b.pls", top.Path() / "linked.pls");

  std::vector<std::string> skipped;
  std::vector<PlaylistStation> stations = ReadPlaylistFolder(top.Path(), &skipped);
  Strings names;
  for (const PlaylistStation& s : stations)
    names.push_back(s.name + " " + s.urls.at(0));
  EXPECT_EQ(names,
            (Strings{"A http://A/", "x http://x/", "a http://a/", "z http://z/", "b http://b/", "last http://last/"}));
  ASSERT_EQ(skipped.size(), 1u);
  EXPECT_NE(skipped[0].find("empty.pls: "), std::string::npos) << skipped[0];
}

TEST(PlaylistReaderTest, ShippedStationListsAllRead) {
  std::vector<std::string> skipped;
  std::vector<PlaylistStation> stations =
      ReadPlaylistFolder(std::filesystem::path(SONABEL_SOURCE_DIR) / "playlists", &skipped);
  EXPECT_TRUE(skipped.empty()) << (skipped.empty() ? "" : skipped.front());
  Strings names;
  for (const PlaylistStation& s : stations)
    names.push_back(s.name);
  EXPECT_EQ(names, (Strings{"KEXP", "Radio Paradise", "Jazz", "News"}));
}

}  // namespace
