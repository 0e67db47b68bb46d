// ZPath: splitting texts with either separator, rebuilding with '/', editing the parts;
// ZFolderIterator over a real folder.
#include "ztools/base/zpath.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/ztools/resourcetestfiles.h"

using namespace ZTools;

TEST(ZPath, SplitsAndRebuildsWithEitherSeparator) {
  struct Case {
    const char* text;
    const char* folder;
    const char* name;
    const char* extension;
    const char* full;
  };
  const Case cases[] = {
      {"skins\\Cool\\main.zml", "skins/Cool", "main", "zml", "skins/Cool/main.zml"},
      {"/usr/bin/sonabel", "/usr/bin", "sonabel", "", "/usr/bin/sonabel"},
      {"/sonabel.zpac", "/", "sonabel", "zpac", "/sonabel.zpac"},
      {"archive.tar.gz", "", "archive.tar", "gz", "archive.tar.gz"},
      {"no/such/folder/", "no/such/folder", "", "", "no/such/folder"},
      {".zpac", "", "", "zpac", ".zpac"},
      {"", "", "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ZPath path(c.text);
    EXPECT_EQ(path.Folder(), c.folder);
    EXPECT_EQ(path.Name(), c.name);
    EXPECT_EQ(path.Extension(), c.extension);
    EXPECT_EQ(path.FullText(), c.full);
  }
}

TEST(ZPath, EditsPartsAndKnowsDirectoriesAndFiles) {
  ResourceTest::TempFolder temp;
  ResourceTest::WriteFile(temp.Path() / "skins/Cool.zpac", "x");

  // An existing directory becomes the folder as a whole, even with a dot in its name.
  std::filesystem::create_directories(temp.Path() / "v1.2");
  ZPath dir(temp / "v1.2");
  EXPECT_EQ(dir.Folder(), temp / "v1.2");
  EXPECT_TRUE(dir.FileName().IsEmpty());

  ZPath path(temp / "skins\\Cool.zpac");
  EXPECT_TRUE(path.FileExists());
  EXPECT_EQ(path.FileName(), "Cool.zpac");
  path.SetExtension(".zml");
  EXPECT_EQ(path.FullText(), temp / "skins/Cool.zml");
  EXPECT_FALSE(path.FileExists());
  path.AppendFolder("\\Cool\\");
  EXPECT_EQ(path.FullText(), temp / "skins/Cool/Cool.zml");
  path.SetFileName("main.zml");
  EXPECT_EQ(path.FullText(), temp / "skins/Cool/main.zml");
  path.SetFileName("");
  EXPECT_EQ(path.FullText(), temp / "skins/Cool");
  EXPECT_FALSE(ZPath(temp / "skins").FileExists()) << "a folder is not a file";

  ZPath relative;
  relative.AppendFolder("playlists");
  relative.SetFileName("radio.pls");
  EXPECT_EQ(relative.FullText(), "playlists/radio.pls");
}

TEST(ZFolderIterator, ListsEntriesWithTheirAttributes) {
  ResourceTest::TempFolder temp;
  ResourceTest::WriteFile(temp.Path() / "a.pls", "12345");
  ResourceTest::WriteFile(temp.Path() / "Sub/b.m3u", "1");
  std::map<std::string, std::pair<bool, uint64_t>> seen;
  ZFolderIterator it;
  for (bool more = it.First(ZPath(temp.Path().string())); more; more = it.Next()) {
    seen[std::string(it.Name().View())] = {it.IsDirectory(), it.Size()};
    if (it.Name() == "a.pls") {
      EXPECT_EQ(it.Path().FullText(), temp / "a.pls");
    }
  }
  EXPECT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen["a.pls"], std::make_pair(false, uint64_t{5}));
  EXPECT_TRUE(seen["Sub"].first);

  EXPECT_FALSE(it.First(temp / "missing"));
  EXPECT_FALSE(it.Next());
}
