// ZFile on disk (modes, codes, text lines, seeking, copying between streams) and ZResource,
// which reads relative names through the resource layer and everything else from disk.
#include "ztools/base/zfile.h"

#include <gtest/gtest.h>

#include "tests/ztools/resourcetestfiles.h"
#include "ztools/base/zerror.h"
#include "ztools/base/zresource.h"
#include "ztools/base/zresourcesource.h"

using namespace ZTools;
using ResourceTest::TempFolder;
using ResourceTest::WriteFile;

TEST(ZFile, ModesAndTheirErrorCodes) {
  TempFolder temp;
  std::string path = temp / "file.txt";
  ZFile file;
  EXPECT_EQ(file.Open(path, 6, true), kZErrIllegalParameter);
  EXPECT_EQ(file.Open(path, -1, true), kZErrIllegalParameter);
  EXPECT_EQ(file.Open(path, kZFileRead, true), kZErrFileOpenFailed) << "missing file";
  EXPECT_EQ(file.Close(), kZErrFileNotOpen);

  ASSERT_EQ(file.Open(path, kZFileWrite, false), 0);
  EXPECT_EQ(file.Open(path, kZFileWrite, false), kZErrFileAlreadyOpen);
  EXPECT_EQ(file.WriteText("first", true), 0);
  EXPECT_EQ(file.Length(), 7);
  EXPECT_EQ(file.Close(), 0);

  ASSERT_EQ(file.Open(path, kZFileAppend, true), 0);
  EXPECT_EQ(file.WriteText("second\nthird", false), 0);
  EXPECT_EQ(file.Close(), 0);

  ASSERT_EQ(file.Open(temp / "sub\\..\\file.txt", kZFileReadUpdate, true), kZErrFileOpenFailed)
      << "sub does not exist; backslashes are separators";
  ASSERT_EQ(file.Open(path, kZFileReadUpdate, true), 0);
  ZString line;
  EXPECT_EQ(file.ReadText(line), 0);
  EXPECT_EQ(line, "first");
  EXPECT_EQ(file.ReadText(line), 0);
  EXPECT_EQ(line, "second");
  EXPECT_FALSE(file.AtEnd());
  EXPECT_EQ(file.ReadText(line), kZErrFileReadFailed) << "the file ends before the line does";
  EXPECT_EQ(line, "third");
  EXPECT_TRUE(file.AtEnd());
  EXPECT_EQ(file.Seek(-5), 0);
  EXPECT_EQ(file.Write("FIRST", 5), 5);
  EXPECT_EQ(file.Close(), 0);
  EXPECT_EQ(ResourceTest::ReadFile(path), "FIRST\r\nsecond\nthird");

  ASSERT_EQ(file.Open(path, kZFileWriteUpdate, true), 0);
  EXPECT_EQ(file.Length(), 0) << "w+ truncates";
  EXPECT_EQ(file.Close(), 0);
  ASSERT_EQ(file.Open(path, kZFileAppendUpdate, true), 0);
  EXPECT_EQ(file.Write("abc", 3), 3);
  EXPECT_EQ(file.Seek(0), 0);
  char buffer[4] = {};
  EXPECT_EQ(file.Read(buffer, 4), 3);
  EXPECT_EQ(std::string(buffer, 3), "abc");

  // Long lines are read whole.
  ZFile other;
  ASSERT_EQ(other.Open(temp / "long.txt", kZFileWrite, true), 0);
  std::string longLine(1000, 'x');
  EXPECT_EQ(other.WriteText(longLine, true), 0);
  EXPECT_EQ(other.Close(), 0);
  ASSERT_EQ(other.Open(temp / "long.txt", kZFileRead, true), 0);
  EXPECT_EQ(other.ReadText(line), 0);
  EXPECT_EQ(line, longLine);
  EXPECT_EQ(other.ReadText(line), kZErrFileReadFailed);
  EXPECT_TRUE(line.IsEmpty());
}

TEST(ZResource, ReadsRelativeNamesThroughTheResourceLayer) {
  TempFolder temp;
  WriteFile(temp.Path() / "content/Scripts/Skin.zc", "line one\r\nline two\n");
  ResourceTest::MakePackage(temp.Path() / "content", temp / "Skin.zpac", "-m0=LZMA");
  WriteFile(temp.Path() / "disk.txt", "on disk");
  ASSERT_TRUE(ZOpenResourceSource("Skin", temp.Path().c_str()));

  ZResource script;
  ASSERT_EQ(script.Open("scripts\\skin.zc", kZFileRead, true), 0);
  EXPECT_FALSE(script.IsOnDisk());
  EXPECT_EQ(script.Open("scripts\\skin.zc", kZFileRead, true), kZErrFileAlreadyOpen);
  EXPECT_EQ(script.Length(), 19);
  ZString text;
  EXPECT_EQ(script.ReadText(text), 0);
  EXPECT_EQ(text, "line one");
  EXPECT_EQ(script.ReadAll(text), 0);
  EXPECT_EQ(text, "line two\n");
  EXPECT_TRUE(script.AtEnd());
  EXPECT_EQ(script.Seek(1000), 19);
  EXPECT_EQ(script.Seek(-3), 0);
  EXPECT_EQ(script.Write("x", 1), 0) << "a skin file is never written";
  EXPECT_EQ(script.WriteText("x", false), kZErrFileWriteFailed);

  // Copying to a disk file goes through the shared stream operation.
  ZFile copy;
  ASSERT_EQ(copy.Open(temp / "copy.zc", kZFileWrite, true), 0);
  EXPECT_EQ(script.CopyTo(copy), 19);
  EXPECT_EQ(copy.Close(), 0);
  EXPECT_EQ(ResourceTest::ReadFile(temp / "copy.zc"), "line one\r\nline two\n");
  EXPECT_EQ(script.Close(), 0);
  EXPECT_EQ(script.Close(), kZErrFileNotOpen);

  // Not in the package: no disk fallback for a relative name; an absolute one reads the disk.
  EXPECT_EQ(script.Open("disk.txt", kZFileRead, true), kZErrFileOpenFailed);
  ASSERT_EQ(script.Open(temp / "disk.txt", kZFileRead, true), 0);
  EXPECT_TRUE(script.IsOnDisk());
  EXPECT_EQ(script.ReadAll(text), 0);
  EXPECT_EQ(text, "on disk");
  EXPECT_EQ(script.Close(), 0);
  EXPECT_EQ(script.Open("any.txt", 6, true), kZErrIllegalParameter);

  ZCloseResourceSource();
  EXPECT_EQ(script.Open("scripts/skin.zc", kZFileRead, true), kZErrFileOpenFailed) << "no source";
  EXPECT_EQ(script.ReadAll(text), kZErrFileNotOpen);
}
