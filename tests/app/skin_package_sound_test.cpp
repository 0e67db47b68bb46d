// A skin whose script and sound both live inside a .zpac package: the script tag reads the
// script through the resource layer, and the audio classes load the sound through the runtime's
// file input, which reads from the same package.
#include <filesystem>

#include "app/audio_script_types.h"
#include "bindings/zsspanemanager.h"
#include "tests/app/app_test_support.h"
#include "tests/ztools/resourcetestfiles.h"
#include "ztools/base/zresourcesource.h"
#include "ztools/zparameter.h"

namespace {

using ResourceTest::TempFolder;
using ResourceTest::WriteFile;

class SkinPackageSound : public apptest::EngineTest {};

TEST_F(SkinPackageSound, ScriptAndSoundAreReadFromThePackage) {
  TempFolder temp;
  const std::string tone = audiotest::makeAudio("skin-tone.wav", "-f lavfi -i sine=frequency=440:duration=1.5 -ac 2");
  std::filesystem::create_directories(temp.Path() / "skin/sounds");
  std::filesystem::copy_file(tone, temp.Path() / "skin/sounds/tone.wav");
  WriteFile(temp.Path() / "skin/main.zml",
            "<zml><parameters><string name='length'/></parameters>"
            "<scripts><script file='scripts/skin.zs'/></scripts></zml>");
  WriteFile(temp.Path() / "skin/scripts/skin.zs",
            "import Application; import Bass;\n"
            "function Create(Application app) {\n"
            "  Channel c = Bass::StreamCreateFile(\"sounds\\\\tone.wav\", 0);\n"
            "  app.SetParameter(\"length\", \"\" + c.GetLength()); }\n");
  ResourceTest::MakePackage(temp.Path() / "skin", temp / "skin.zpac", "-m0=LZMA");
  std::filesystem::remove_all(temp.Path() / "skin");

  ZTools::ZSetResourceSource(ZTools::ZResourceSource::OpenPackage((temp / "skin.zpac").c_str()));
  {
    ZTools::ZSSPaneManager m;
    m.AddNativeType(ZTools::BassTypeProc);
    m.AddPrelude(ZTools::kAudioPrelude);
    ASSERT_EQ(m.Initialize(), 0);
    ASSERT_EQ(m.LoadSkin("main.zml"), 0);
    ASSERT_EQ(m.Create(), 0);
    EXPECT_NEAR(std::stod(m.FindParameter("length")->GetStringValue().c_str()), 1.5, 0.05);
  }
  ZTools::ZCloseResourceSource();
}

}  // namespace
