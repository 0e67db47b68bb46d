// Titles and header texts of the audio classes: metadata texts of radio servers (well-formed,
// empty, unterminated, huge, binary), Ogg comment lists, file names and the UTF-8 rule.
#include <gtest/gtest.h>

#include <string>

#include "app/stream_text.h"

using namespace ZTools;
using namespace std::string_literals;

// The title from an ICY metadata text or an Ogg comment list; texts without one leave it.
TEST(StreamTextTest, TitlesFromIcyTextsAndOggCommentLists) {
  const std::string huge(100000, 'x');
  const struct {
    std::string text;
    bool found;
    std::string title;
    const char* what;
  } rows[] = {
      {"StreamTitle='Artist - Song';StreamUrl='';", true, "Artist - Song", "ICY"},
      {"StreamTitle='';", true, "", "an empty ICY title"},
      {"StreamTitle='no end", false, "old", "no closing '; leaves the title"},
      {"StreamTitle='", false, "old", "nothing after the quote"},
      {"StreamUrl='x';StreamTitle='It's ok';", true, "It's ok", "a quote alone does not end the title"},
      {"", false, "old", "empty"},
      {"garbage without a title", false, "old", "garbage"},
      {"StreamTitle='" + huge + "';", true, huge, "a huge title, bounded by the text"},
      {"StreamTitle='\x01\xff\x7f';"s, true, "\x01\xff\x7f"s, "binary bytes as they are"},
      {"abc\0StreamTitle='x';\0"s, false, "old", "only the first text of a list is an ICY text"},
      {"ARTIST=X\0title=Y\0\0"s, true, "Y", "Ogg comments"},
      {"TiTlE=First\0TITLE=Second\0"s, true, "First", "the first TITLE= wins"},
      {"TITLE=\0"s, true, "", "an empty Ogg title"},
      {"ARTIST=X\0\0TITLE=after the end\0"s, false, "old", "an empty text ends the list"},
      {"TITLE\0TITL\0SUBTITLE=x\0"s, false, "old", "no TITLE= at the start of a comment"},
      {"ARTIST=X\0TITLE=cut"s.substr(0, 13), false, "old", "the view ends inside TITLE="},
      {"ARTIST=X\0TITLE=unterminated"s, true, "unterminated", "a missing last terminator is fine"},
  };
  for (const auto& r : rows) {
    std::string title = "old";
    EXPECT_EQ(ZTitleFromMetadata(r.text, title), r.found) << r.what;
    EXPECT_EQ(title, r.title) << r.what;
  }
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
