// Skin packages made by 7-Zip with every coder a package may use, read back through
// ZResourcePackage; the solid-block cache; size limits; damaged and foreign files.
#include "ztools/base/zresourcepackage.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/ztools/resourcetestfiles.h"

using namespace ZTools;
using ResourceTest::MakePackage;
using ResourceTest::TempFolder;
using ResourceTest::WriteFile;

namespace {

// The files of a small skin, by name as written to disk.
std::map<std::string, std::string> SkinFiles() {
  return {
      {"Main.ZML", ResourceTest::SampleText(30000, 1)},
      {"Images/Knob.PNG", ResourceTest::NoiseBytes(5000, 2)},
      {"Images/Back/Panel.png", ResourceTest::SampleText(70000, 3)},
      {"scripts/skin.zc", ResourceTest::SampleText(900, 4)},
      {"empty.txt", ""},
  };
}

void WriteSkin(const std::filesystem::path& folder) {
  for (const auto& [name, bytes] : SkinFiles())
    WriteFile(folder / name, bytes);
}

std::string ExtractText(ZResourcePackage& package, std::string_view name) {
  ptrdiff_t index = package.Find(name);
  if (index < 0)
    return "<not found>";
  std::vector<unsigned char> bytes;
  ZString why;
  if (!package.Extract(static_cast<size_t>(index), bytes, &why))
    return "<failed: " + std::string(why.View()) + ">";
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

TEST(ResourcePackage, ReadsEveryCoderSolidAndNonSolid) {
  const std::pair<const char*, const char*> layouts[] = {
      {"copy", "-m0=Copy"},
      {"lzma solid", "-m0=LZMA -ms=on"},
      {"lzma non-solid", "-m0=LZMA -ms=off"},
      {"lzma2", "-m0=LZMA2 -ms=on"},
      {"bcj + lzma", "-m0=BCJ -m1=LZMA -ms=on"},
      {"bcj2", "-m0=BCJ2 -m1=LZMA -m2=LZMA -m3=LZMA -mb0s0:1 -mb0s1:2 -mb0s2:3"},
      {"plain header", "-m0=LZMA -mhc=off"},
  };
  TempFolder temp;
  WriteSkin(temp.Path() / "skin");
  for (const auto& [label, switches] : layouts) {
    SCOPED_TRACE(label);
    std::string archive = temp / (std::string(label) + ".zpac");
    MakePackage(temp.Path() / "skin", archive, switches);
    ZString why;
    auto package = ZResourcePackage::Open(archive.c_str(), &why);
    ASSERT_TRUE(package) << why.CStr();

    int files = 0, folders = 0;
    for (const auto& entry : package->Entries()) {
      EXPECT_FALSE(entry.name.EndsWith("/")) << entry.name.CStr();
      if (entry.isDirectory) {
        ++folders;
        EXPECT_EQ(package->Find(entry.name), -1) << "folders are not files";
      } else {
        ++files;
        EXPECT_EQ(entry.size, SkinFiles().at(std::string(entry.name.View())).size());
      }
    }
    EXPECT_EQ(files, 5);
    EXPECT_EQ(folders, 3);  // Images, Images/Back, scripts

    // Names are found without regard to case, with either separator.
    EXPECT_EQ(ExtractText(*package, "images\\knob.png"), SkinFiles()["Images/Knob.PNG"]);
    EXPECT_EQ(ExtractText(*package, "IMAGES/BACK/panel.PNG"), SkinFiles()["Images/Back/Panel.png"]);
    EXPECT_EQ(ExtractText(*package, "main.zml"), SkinFiles()["Main.ZML"]);
    EXPECT_EQ(ExtractText(*package, "./scripts/../scripts/skin.zc"), SkinFiles()["scripts/skin.zc"]);
    EXPECT_EQ(ExtractText(*package, "empty.txt"), "");
    EXPECT_EQ(package->Find("images"), -1);
    EXPECT_EQ(package->Find("Images/Knob"), -1);
    EXPECT_EQ(package->Find("../Main.ZML"), -1);
  }
}

// Names are UTF-8 whatever the process's locale (tests run in the "C" locale); letters
// outside ASCII are compared as they are.
TEST(ResourcePackage, KeepsNonAsciiNames) {
  TempFolder temp;
  WriteFile(temp.Path() / "skin/Ünï Çödé.txt", "accents");
  std::string archive = temp / "names.zpac";
  MakePackage(temp.Path() / "skin", archive, "-m0=LZMA");
  auto package = ZResourcePackage::Open(archive.c_str());
  ASSERT_TRUE(package);
  ASSERT_EQ(package->Entries().size(), 1u);
  EXPECT_EQ(package->Entries()[0].name, "Ünï Çödé.txt");
  EXPECT_EQ(ExtractText(*package, "ÜNï ÇÖDé.TXT"), "<not found>");
  EXPECT_EQ(ExtractText(*package, "ÜNï Çödé.TXT"), "accents");
}

TEST(ResourcePackage, FilesOfOneSolidBlockCostOneDecode) {
  TempFolder temp;
  WriteSkin(temp.Path() / "skin");
  std::string solid = temp / "solid.zpac";
  MakePackage(temp.Path() / "skin", solid, "-m0=LZMA -ms=on");

  auto package = ZResourcePackage::Open(solid.c_str());
  ASSERT_TRUE(package);
  EXPECT_EQ(package->DecodeCount(), 0u) << "reading the directory decodes no file";
  // Opened in an order unlike the archive's: later file first, then an earlier one.
  EXPECT_EQ(ExtractText(*package, "Images/Back/Panel.png"), SkinFiles()["Images/Back/Panel.png"]);
  EXPECT_EQ(ExtractText(*package, "Main.ZML"), SkinFiles()["Main.ZML"]);
  EXPECT_EQ(ExtractText(*package, "Images/Knob.PNG"), SkinFiles()["Images/Knob.PNG"]);
  EXPECT_EQ(ExtractText(*package, "Main.ZML"), SkinFiles()["Main.ZML"]);
  EXPECT_EQ(package->DecodeCount(), 1u);

  // With no room to keep decoded files, going back to an earlier file must decode again:
  // the counter really counts decodes.
  ZResourcePackageLimits noCache;
  noCache.cacheSize = 0;
  auto uncached = ZResourcePackage::Open(solid.c_str(), nullptr, noCache);
  ASSERT_TRUE(uncached);
  EXPECT_EQ(ExtractText(*uncached, "Main.ZML"), SkinFiles()["Main.ZML"]);
  EXPECT_EQ(ExtractText(*uncached, "Images/Knob.PNG"), SkinFiles()["Images/Knob.PNG"]);
  EXPECT_EQ(ExtractText(*uncached, "Main.ZML"), SkinFiles()["Main.ZML"]);
  EXPECT_GE(uncached->DecodeCount(), 2u);
}

TEST(ResourcePackage, LimitsRefuseOversizedEntriesAndPackages) {
  TempFolder temp;
  WriteSkin(temp.Path() / "skin");
  std::string archive = temp / "skin.zpac";
  MakePackage(temp.Path() / "skin", archive, "-m0=LZMA -ms=on");

  ZResourcePackageLimits small;
  small.maxEntrySize = 40000;  // Panel.png (70000) is too large, the rest fits
  auto package = ZResourcePackage::Open(archive.c_str(), nullptr, small);
  ASSERT_TRUE(package);
  EXPECT_EQ(ExtractText(*package, "Images/Back/Panel.png").rfind("<failed", 0), 0u);
  EXPECT_EQ(ExtractText(*package, "Main.ZML"), SkinFiles()["Main.ZML"]);

  ZResourcePackageLimits tight;
  tight.maxTotalSize = 100000;  // the files add up to 105900
  ZString why;
  EXPECT_FALSE(ZResourcePackage::Open(archive.c_str(), &why, tight));
  EXPECT_FALSE(why.IsEmpty());
  tight.maxTotalSize = 105900;
  EXPECT_TRUE(ZResourcePackage::Open(archive.c_str(), nullptr, tight));

  ZResourcePackageLimits few;
  few.maxEntries = 7;  // 5 files and 3 folders
  EXPECT_FALSE(ZResourcePackage::Open(archive.c_str(), nullptr, few));
}

TEST(ResourcePackage, RefusesAnEntryOverTheDefaultLimitWithoutDecodingIt) {
  TempFolder temp;
  std::filesystem::create_directories(temp.Path() / "big");
  WriteFile(temp.Path() / "big/small.txt", "fine");
  {  // 257 MiB of zeros, sparse on disk; 7-Zip packs it into a few kilobytes
    std::ofstream(temp / "big/huge.bin");
    std::filesystem::resize_file(temp / "big/huge.bin", (uint64_t{256} << 20) + (1 << 20));
  }
  std::string archive = temp / "big.zpac";
  MakePackage(temp.Path() / "big", archive, "-mx=1 -m0=LZMA");
  auto package = ZResourcePackage::Open(archive.c_str());
  ASSERT_TRUE(package);
  EXPECT_EQ(ExtractText(*package, "huge.bin").rfind("<failed", 0), 0u);
  EXPECT_EQ(package->DecodeCount(), 0u);
  EXPECT_EQ(ExtractText(*package, "small.txt"), "fine");
}

TEST(ResourcePackage, DamagedAndForeignFilesFailCleanly) {
  TempFolder temp;
  WriteFile(temp.Path() / "text.zpac", "This is not a package, only text named like one.\n");
  WriteFile(temp.Path() / "empty.zpac", "");
  WriteFile(temp.Path() / "signature.zpac", std::string("7z\xBC\xAF\x27\x1C\x00\x04", 8));
  std::filesystem::create_directories(temp.Path() / "folder.zpac");
  for (const char* name : {"text.zpac", "empty.zpac", "signature.zpac", "folder.zpac", "missing.zpac"}) {
    ZString why;
    EXPECT_FALSE(ZResourcePackage::Open((temp / name).c_str(), &why)) << name;
    EXPECT_FALSE(why.IsEmpty()) << name;
  }
  EXPECT_FALSE(ZResourcePackage::Open(nullptr));
}

// Every truncation and many single-bit flips of real packages: opening and extracting either
// fails or returns exactly the original bytes; never a crash, never silently wrong data.
TEST(ResourcePackage, TruncatedOrBitFlippedPackagesNeverYieldWrongData) {
  TempFolder temp;
  std::map<std::string, std::string> files = {
      {"a.txt", ResourceTest::SampleText(3000, 5)},
      {"Dir/b.bin", ResourceTest::NoiseBytes(700, 6)},
      {"Dir/c.txt", ResourceTest::SampleText(1500, 7)},
  };
  for (const auto& [name, bytes] : files)
    WriteFile(temp.Path() / "src" / name, bytes);

  for (const char* switches :
       {"-m0=Copy", "-m0=LZMA -ms=on", "-m0=BCJ2 -m1=LZMA -m2=LZMA -m3=LZMA -mb0s0:1 -mb0s1:2 -mb0s2:3"}) {
    SCOPED_TRACE(switches);
    std::string good = temp / "good.zpac";
    std::filesystem::remove(good);
    MakePackage(temp.Path() / "src", good, switches);
    const std::string original = ResourceTest::ReadFile(good);
    ASSERT_GT(original.size(), 100u);

    auto check = [&](const std::string& bytes, const std::string& what) {
      std::string path = temp / "damaged.zpac";
      WriteFile(path, bytes);
      auto package = ZResourcePackage::Open(path.c_str());
      if (!package)
        return false;
      bool allGood = true;
      for (const auto& [name, expected] : files) {
        ptrdiff_t index = package->Find(name);
        if (index < 0) {
          allGood = false;
          continue;
        }
        std::vector<unsigned char> out;
        if (package->Extract(static_cast<size_t>(index), out)) {
          EXPECT_EQ(std::string(out.begin(), out.end()), expected) << what << " " << name;
        } else {
          EXPECT_TRUE(out.empty());
          allGood = false;
        }
      }
      return allGood;
    };

    for (size_t length = 0; length < original.size(); length += 1 + length / 8)
      EXPECT_FALSE(check(original.substr(0, length), "cut at " + std::to_string(length)));
    int detected = 0, flips = 0;
    for (size_t offset = 0; offset < original.size(); offset += 1 + original.size() / 150) {
      std::string flipped = original;
      flipped[offset] = static_cast<char>(flipped[offset] ^ (1 << (offset % 8)));
      ++flips;
      if (!check(flipped, "bit flipped at " + std::to_string(offset)))
        ++detected;
    }
    // Most bytes are data or checksummed header; a flip in, say, a time stamp may go unseen.
    EXPECT_GT(detected, flips / 2);
  }
}
