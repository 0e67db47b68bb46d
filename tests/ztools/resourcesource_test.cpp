// The resource source in archive and folder mode, the process-wide source, and the files it
// opens: name matching, names that try to leave the skin, reading and seeking in memory.
#include "ztools/base/zresourcesource.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/ztools/resourcetestfiles.h"
#include "ztools/base/zresourcename.h"

using namespace ZTools;
using ResourceTest::MakePackage;
using ResourceTest::TempFolder;
using ResourceTest::WriteFile;

namespace {

std::string ReadAll(ZResourceFile* file) {
  if (!file)
    return "<null>";
  std::string bytes(static_cast<size_t>(file->Length()), '\0');
  size_t got = file->Read(1, bytes.size(), bytes.data());
  bytes.resize(got);
  return bytes;
}

std::string ReadName(ZResourceSource& source, std::string_view name) {
  auto file = source.OpenFile(name);
  return file ? ReadAll(file.get()) : "<null>";
}

// Runs a block with the current directory set to folder.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::filesystem::path& folder) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~CurrentDirectory() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

}  // namespace

TEST(ResourceName, CanonicalFormAndRefusedNames) {
  const std::pair<std::string_view, const char*> names[] = {
      {"Images\\Knob.PNG", "Images/Knob.PNG"},
      {"/a//b/", "a/b"},
      {"./a/./b", "a/b"},
      {"a/b/../c", "a/c"},
      {"a/..\\b", "b"},
      {"...", "..."},
      {"..", nullptr},
      {"a/../..", nullptr},
      {"../a", nullptr},
      {"a/../../a", nullptr},
      {"", nullptr},
      {"/./", nullptr},
      {"a/..", nullptr},
      {std::string_view("a\0/../../x", 10), nullptr},
  };
  for (const auto& [name, expected] : names) {
    ZString out;
    bool ok = ZResourceCanonicalName(name, out);
    EXPECT_EQ(ok, expected != nullptr) << name;
    if (ok && expected) {
      EXPECT_EQ(out, expected) << name;
    }
  }
}

TEST(ResourceSource, ArchiveModeReadsOnlyThePackage) {
  TempFolder temp;
  WriteFile(temp.Path() / "content/Images/Knob.png", "knob bytes");
  WriteFile(temp.Path() / "content/main.zml", "<zml/>");
  MakePackage(temp.Path() / "content", temp / "skins/Cool.zpac", "-m0=LZMA");
  // Loose files beside the package, and a folder named like it.
  WriteFile(temp.Path() / "skins/beside.txt", "loose");
  WriteFile(temp.Path() / "skins/Cool/main.zml", "folder version");

  auto source = ZResourceSource::Open("Cool", (temp / "skins").c_str());
  ASSERT_TRUE(source);
  EXPECT_TRUE(source->IsArchive());
  EXPECT_EQ(source->Root(), temp / "skins/");
  EXPECT_EQ(ReadName(*source, "Images\\Knob.PNG"), "knob bytes");
  EXPECT_EQ(ReadName(*source, "MAIN.zml"), "<zml/>");
  EXPECT_EQ(ReadName(*source, "beside.txt"), "<null>") << "no fallback to the disk";
  EXPECT_EQ(ReadName(*source, "../skins/beside.txt"), "<null>");
  EXPECT_EQ(ReadName(*source, "Images"), "<null>") << "a folder is not a file";

  std::vector<ZResourceListEntry> files = source->List();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].name + " " + std::to_string(files[0].size), "Images/Knob.png 10");
  EXPECT_EQ(files[1].name + " " + std::to_string(files[1].size), "main.zml 6");
}

TEST(ResourceSource, MissingPackageMeansTheFolderNamedLikeIt) {
  TempFolder temp;
  WriteFile(temp.Path() / "skins/Plain/Main.zml", "folder skin");
  auto source = ZResourceSource::Open("Plain", (temp / "skins").c_str());
  ASSERT_TRUE(source);
  EXPECT_FALSE(source->IsArchive());
  EXPECT_EQ(source->Root(), temp / "skins/Plain/");
  EXPECT_EQ(ReadName(*source, "Main.zml"), "folder skin");

  // With no name the folder itself is the root; an empty folder is the current directory.
  auto direct = ZResourceSource::Open(nullptr, (temp / "skins/Plain").c_str());
  ASSERT_TRUE(direct);
  EXPECT_EQ(ReadName(*direct, "Main.zml"), "folder skin");

  MakePackage(temp.Path() / "skins/Plain", temp / "Resources.zpac", "-m0=LZMA");
  CurrentDirectory here(temp.Path());
  auto resources = ZResourceSource::Open("Resources", "");
  ASSERT_TRUE(resources);
  EXPECT_TRUE(resources->IsArchive());
  EXPECT_EQ(resources->Root(), "");
  EXPECT_EQ(ReadName(*resources, "main.zml"), "folder skin");
}

TEST(ResourceSource, UnreadablePackageGivesNoSource) {
  TempFolder temp;
  WriteFile(temp.Path() / "Broken.zpac", "just text with the package's extension");
  WriteFile(temp.Path() / "Broken/main.zml", "must not be used");
  EXPECT_FALSE(ZResourceSource::Open("Broken", temp.Path().c_str()));
  ZString why;
  EXPECT_FALSE(ZResourceSource::OpenPackage((temp / "Broken.zpac").c_str(), &why));
  EXPECT_FALSE(why.IsEmpty());
}

TEST(ResourceSource, FolderModeMatchesCaseAndStaysInsideTheRoot) {
  TempFolder temp;
  WriteFile(temp.Path() / "skin/Images/Knob.PNG", "knob");
  WriteFile(temp.Path() / "skin/images.txt", "not a folder");
  WriteFile(temp.Path() / "skin/Exact.txt", "upper");
  WriteFile(temp.Path() / "skin/exact.txt", "lower");
  WriteFile(temp.Path() / "secret.txt", "outside");
  std::filesystem::create_symlink(temp / "secret.txt", temp / "skin/link.txt");
  std::filesystem::create_symlink(temp / "skin/Images/Knob.PNG", temp / "skin/inside.png");

  auto source = ZResourceSource::OpenFolder((temp / "skin").c_str());
  EXPECT_EQ(ReadName(*source, "Images/Knob.PNG"), "knob");
  EXPECT_EQ(ReadName(*source, "images\\knob.png"), "knob");
  EXPECT_EQ(ReadName(*source, "IMAGES/./Knob.png"), "knob");
  EXPECT_EQ(ReadName(*source, "Exact.txt"), "upper") << "the exact case wins";
  EXPECT_EQ(ReadName(*source, "exact.txt"), "lower");
  EXPECT_EQ(ReadName(*source, "EXACT.TXT"), "upper") << "several matches: first in byte order";
  EXPECT_EQ(ReadName(*source, "Images/../Exact.txt"), "upper");
  EXPECT_EQ(ReadName(*source, "inside.png"), "knob");

  for (const char* escape : {"../secret.txt", "..\\secret.txt", "Images/../../secret.txt", "link.txt", "/../secret.txt",
                             "", "Images", "missing.txt", "images.txt/x"}) {
    EXPECT_EQ(ReadName(*source, escape), "<null>") << escape;
  }

  std::vector<ZResourceListEntry> files = source->List();
  std::vector<std::string> names;
  for (const auto& file : files)
    names.push_back(std::string(file.name.View()));
  EXPECT_EQ(names, (std::vector<std::string>{"Exact.txt", "Images/Knob.PNG", "exact.txt", "images.txt", "inside.png"}));
}

TEST(ResourceSource, MemoryFilesReadSkipAndSeekWithinTheirBytes) {
  TempFolder temp;
  WriteFile(temp.Path() / "content/data.bin", "0123456789");
  MakePackage(temp.Path() / "content", temp / "p.zpac", "-m0=Copy");
  WriteFile(temp.Path() / "folder/data.bin", "0123456789");
  auto package = ZResourceSource::OpenPackage((temp / "p.zpac").c_str());
  ASSERT_TRUE(package);
  auto file = package->OpenFile("data.bin");
  ASSERT_TRUE(file);
  EXPECT_FALSE(file->IsOnDisk());

  char buffer[16] = {};
  EXPECT_EQ(file->Read(4, 2, buffer), 2u);  // 8 bytes: two whole elements
  EXPECT_EQ(std::string(buffer, 8), "01234567");
  EXPECT_EQ(file->Read(4, 1, buffer), 0u) << "2 bytes left: no whole element, but consumed";
  EXPECT_EQ(file->Tell(), 10);
  EXPECT_TRUE(file->AtEnd());

  EXPECT_TRUE(file->Seek(3, SEEK_SET));
  EXPECT_EQ(file->Read(1, 2, nullptr), 2u) << "a null destination skips";
  EXPECT_EQ(file->Tell(), 5);
  EXPECT_TRUE(file->Seek(100, SEEK_CUR));
  EXPECT_EQ(file->Tell(), 10) << "past the end stops at the end";
  EXPECT_TRUE(file->AtEnd());
  EXPECT_TRUE(file->Seek(-100, SEEK_END));
  EXPECT_EQ(file->Tell(), 0);
  EXPECT_FALSE(file->AtEnd());
  EXPECT_TRUE(file->Seek(INT64_MAX, SEEK_CUR));
  EXPECT_EQ(file->Tell(), 10);
  EXPECT_EQ(file->Read(SIZE_MAX, 2, buffer), 0u) << "a huge request does not wrap";
  EXPECT_EQ(file->Length(), 10);

  // The same file from a folder reads alike.
  auto disk = ZResourceSource::OpenFolder((temp / "folder").c_str())->OpenFile("data.bin");
  ASSERT_TRUE(disk);
  EXPECT_TRUE(disk->IsOnDisk());
  EXPECT_EQ(disk->Length(), 10);
  EXPECT_EQ(disk->Read(4, 2, buffer), 2u);
  EXPECT_EQ(disk->Read(1, 5, nullptr), 2u);
  EXPECT_TRUE(disk->AtEnd());
}

TEST(ResourceSource, ProcessWideSourceIsReplacedAndItsFilesOutliveIt) {
  TempFolder temp;
  WriteFile(temp.Path() / "a/one.txt", "from a");
  WriteFile(temp.Path() / "b/content/two.txt", "from b");
  MakePackage(temp.Path() / "b/content", temp / "b/Skin.zpac", "-m0=LZMA");

  EXPECT_FALSE(ZOpenResourceFile("one.txt")) << "no source yet";
  ASSERT_TRUE(ZOpenResourceSource("a", temp.Path().c_str()));
  auto one = ZOpenResourceFile("one.txt");
  ASSERT_TRUE(one);
  ASSERT_TRUE(ZOpenResourceSource("Skin", (temp / "b").c_str()));
  auto two = ZOpenResourceFile("TWO.TXT", "rb");
  EXPECT_FALSE(ZOpenResourceFile("one.txt"));
  ZCloseResourceSource();
  EXPECT_FALSE(ZCurrentResourceSource());
  EXPECT_EQ(ReadAll(one.get()), "from a");
  EXPECT_EQ(ReadAll(two.get()), "from b");

  // A failed open leaves no source at all.
  WriteFile(temp.Path() / "bad.zpac", "text");
  ASSERT_TRUE(ZOpenResourceSource("a", temp.Path().c_str()));
  EXPECT_FALSE(ZOpenResourceSource("bad", temp.Path().c_str()));
  EXPECT_FALSE(ZOpenResourceFile("one.txt"));

  // A source opened by itself can be made the current one.
  ASSERT_TRUE(ZSetResourceSource(ZResourceSource::OpenPackage((temp / "b/Skin.zpac").c_str())));
  EXPECT_EQ(ReadAll(ZOpenResourceFile("two.txt").get()), "from b");
  EXPECT_FALSE(ZSetResourceSource(nullptr));
  EXPECT_FALSE(ZOpenResourceFile("two.txt"));

  // Modes starting with "f" always read from disk; unknown modes open nothing.
  std::string loose = temp / "a/one.txt";
  EXPECT_EQ(ReadAll(ZOpenResourceFile(loose, "frb").get()), "from a");
  EXPECT_FALSE(ZOpenResourceFile(loose, "rb"));
  EXPECT_FALSE(ZOpenResourceFile(loose, "wb"));
  ZCloseResourceSource();
}
