// Playlist detection and parsing for radio addresses.
#include <gtest/gtest.h>

#include "audio/playlist_parse.h"

using namespace audio;

TEST(PlaylistParse, DetectsKindsFromTypeAndContent) {
  EXPECT_EQ(detectPlaylist("audio/x-scpls", "whatever"), PlaylistKind::Pls);
  EXPECT_EQ(detectPlaylist("", "\xEF\xBB\xBF[playlist]\nFile1=http://a/"), PlaylistKind::Pls);
  EXPECT_EQ(detectPlaylist("audio/mpegurl", "http://a/\n"), PlaylistKind::M3u);
  EXPECT_EQ(detectPlaylist("application/octet-stream", "#EXTM3U\n#EXTINF:-1,x\nhttp://a/"), PlaylistKind::M3u);
  EXPECT_EQ(detectPlaylist("application/vnd.apple.mpegurl", "#EXTM3U\n#EXT-X-TARGETDURATION:4\n"), PlaylistKind::Hls);
  EXPECT_EQ(detectPlaylist("text/plain", "https://radio.example/stream\n"), PlaylistKind::M3u);
  EXPECT_EQ(detectPlaylist("audio/mpeg", "ID3\x03\x00"), PlaylistKind::None);
  EXPECT_EQ(detectPlaylist("audio/mpeg", "http://looks-like-a-list-but-is-typed-audio"), PlaylistKind::None);
  EXPECT_TRUE(looksLikeMarkup("text/html; charset=utf-8", ""));
  EXPECT_TRUE(looksLikeMarkup("", "  <!DOCTYPE html>"));
  EXPECT_FALSE(looksLikeMarkup("audio/aacp", "\xFF\xF1"));
}

TEST(PlaylistParse, EntriesInOrderResolvedAndOnlyWebAddresses) {
  std::string pls =
      "[playlist]\r\nFile2=http://second/\r\nTitle1=x\r\nFile1=first.mp3\r\nFile10=http://tenth/\r\n"
      "Filex=http://bad/\r\nFile3=file:///etc/passwd\r\nNumberOfEntries=3\r\n";
  auto e = playlistEntries(PlaylistKind::Pls, pls, "http://host:8000/lists/radio.pls?x=1");
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0], "http://host:8000/lists/first.mp3");
  EXPECT_EQ(e[1], "http://second/");
  EXPECT_EQ(e[2], "http://tenth/");

  std::string m3u = "#EXTM3U\n#EXTINF:-1,One\n/abs/one\n\n  //other.host/two  \r\n#comment\nftp://no/\n";
  e = playlistEntries(PlaylistKind::M3u, m3u, "https://host/dir/list.m3u");
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0], "https://host/abs/one");
  EXPECT_EQ(e[1], "https://other.host/two");
  EXPECT_TRUE(playlistEntries(PlaylistKind::M3u, "", "http://h/").empty());
  EXPECT_EQ(resolveUrl("http://h", "x"), "http://h/x");
}
