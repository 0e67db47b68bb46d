// Titles and header texts of the audio classes: metadata texts of radio servers (well-formed,
// empty, unterminated, huge, binary), Ogg comment lists, file names and the UTF-8 rule.
#include <gtest/gtest.h>

#include <string>

#include "app/stream_text.h"

using namespace ZTools;
using namespace std::string_literals;

TEST(StreamTextTest, IcyStreamTitles) {
  std::string title = "old";
  EXPECT_TRUE(ZTitleFromMetadata("StreamTitle='Artist - Song';StreamUrl='';", title));
  EXPECT_EQ(title, "Artist - Song");
  EXPECT_TRUE(ZTitleFromMetadata("StreamTitle='';", title));
  EXPECT_EQ(title, "");
  title = "old";
  EXPECT_FALSE(ZTitleFromMetadata("StreamTitle='no end", title));
  EXPECT_EQ(title, "old") << "no closing '; leaves the title";
  EXPECT_FALSE(ZTitleFromMetadata("StreamTitle='", title));
  EXPECT_EQ(title, "old");
  EXPECT_TRUE(ZTitleFromMetadata("StreamUrl='x';StreamTitle='It's ok';", title));
  EXPECT_EQ(title, "It's ok") << "a quote alone does not end the title";
  EXPECT_FALSE(ZTitleFromMetadata("", title));
  EXPECT_FALSE(ZTitleFromMetadata("garbage without a title", title));
  EXPECT_EQ(title, "It's ok");
  // A huge title and binary bytes are taken as they are (bounded by the text).
  std::string huge = "StreamTitle='" + std::string(100000, 'x') + "';";
  EXPECT_TRUE(ZTitleFromMetadata(huge, title));
  EXPECT_EQ(title.size(), 100000u);
  std::string binary = "StreamTitle='\x01\xff\x7f';"s;
  EXPECT_TRUE(ZTitleFromMetadata(binary, title));
  EXPECT_EQ(title, "\x01\xff\x7f"s);
  // Only the first text of a list is an ICY text; the rest of the view is never searched for it.
  title = "old";
  EXPECT_FALSE(ZTitleFromMetadata("abc\0StreamTitle='x';\0"s, title));
  EXPECT_EQ(title, "old");
}

TEST(StreamTextTest, OggCommentListTitles) {
  std::string title = "old";
  EXPECT_TRUE(ZTitleFromMetadata("ARTIST=X\0title=Y\0\0"s, title));
  EXPECT_EQ(title, "Y");
  EXPECT_TRUE(ZTitleFromMetadata("TiTlE=First\0TITLE=Second\0"s, title));
  EXPECT_EQ(title, "First") << "the first TITLE= wins";
  EXPECT_TRUE(ZTitleFromMetadata("TITLE=\0"s, title));
  EXPECT_EQ(title, "");
  title = "old";
  EXPECT_FALSE(ZTitleFromMetadata("ARTIST=X\0\0TITLE=after the end\0"s, title)) << "an empty text ends the list";
  EXPECT_FALSE(ZTitleFromMetadata("TITLE\0TITL\0SUBTITLE=x\0"s, title));
  EXPECT_FALSE(ZTitleFromMetadata("ARTIST=X\0TITLE=cut"s.substr(0, 13), title)) << "view ends inside TITLE=";
  EXPECT_EQ(title, "old");
  EXPECT_TRUE(ZTitleFromMetadata("ARTIST=X\0TITLE=unterminated"s, title)) << "a missing last terminator is fine";
  EXPECT_EQ(title, "unterminated");
}

TEST(StreamTextTest, TagListsAndStreamInfo) {
  const char list[] = "icy-name:Test Radio\0icy-br:128\0\0";
  EXPECT_EQ(ZTagListView(list).size(), sizeof list - 2);
  EXPECT_EQ(ZStreamInfoFromList(list), "icy-name:Test Radio\nicy-br:128\n");
  EXPECT_EQ(ZStreamInfoFromList(nullptr), "");
  EXPECT_EQ(ZStreamInfoFromList("\0"), "");
  EXPECT_TRUE(ZTagListView(nullptr).empty());
}

TEST(StreamTextTest, TitlesFromFileNames) {
  EXPECT_EQ(ZTitleFromFileName("music\\song.mp3"), "song");
  EXPECT_EQ(ZTitleFromFileName("sounds/click.wav"), "click");
  EXPECT_EQ(ZTitleFromFileName("a.b\\c/d.e.ogg"), "d.e");
  EXPECT_EQ(ZTitleFromFileName("folder.x/noext"), "noext") << "no dot: whole last component";
  EXPECT_EQ(ZTitleFromFileName("plain"), "plain");
  EXPECT_EQ(ZTitleFromFileName("dir/"), "");
  EXPECT_EQ(ZTitleFromFileName(""), "");
  EXPECT_EQ(ZTitleFromFileName(".hidden"), "");
}

TEST(StreamTextTest, TextsBecomeValidUtf8) {
  EXPECT_EQ(ZToUtf8("plain ascii"), "plain ascii");
  EXPECT_EQ(ZToUtf8("Motörhead – Ace ♠ 𝄞"), "Motörhead – Ace ♠ 𝄞") << "valid UTF-8 is kept";
  EXPECT_EQ(ZToUtf8("Mot\xf6rhead"), "Motörhead") << "Latin-1 letters";
  EXPECT_EQ(ZToUtf8("\x80 \x93quoted\x94 \x85"), "€ “quoted” …") << "the Windows-1252 block";
  EXPECT_EQ(ZToUtf8("\x81"), "\xEF\xBF\xBD") << "unassigned bytes";
  // Invalid UTF-8 of every kind falls back to Windows-1252 for the whole text.
  EXPECT_EQ(ZToUtf8("\xC3"), "Ã") << "truncated sequence";
  EXPECT_EQ(ZToUtf8("\xC0\xAF"), "À¯") << "overlong";
  EXPECT_EQ(ZToUtf8("\xED\xA0\x80"), "í\xC2\xA0\xE2\x82\xAC") << "surrogate";
  EXPECT_EQ(ZToUtf8("\xF4\x90\x80\x80").substr(0, 2), "ô") << "above U+10FFFF";
  EXPECT_EQ(ZToUtf8("é and \xe9"), "Ã© and é") << "mixed text is read as Windows-1252";
  EXPECT_EQ(ZToUtf8(""), "");
}
