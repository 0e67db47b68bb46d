// Tests of the message-box service: capture by a sink, restoring the previous sink, and the
// headless fallback to standard error with the caption and the text intact.
#include "platform/dialog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    hadOld_ = old != nullptr;
    if (hadOld_)
      old_ = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (hadOld_)
      setenv(name_, old_.c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  bool hadOld_ = false;
  std::string old_;
};

TEST(Dialog, CaptureRecordsExactTextsAndNestsWithPreviousSink) {
  Platform::DialogCapture outer;
  Platform::ShowMessageBox("First", "line 1\nline\t2", Platform::DialogKind::Warning);
  {
    Platform::DialogCapture inner;
    Platform::ShowMessageBox("Second", "");
    ASSERT_EQ(inner.Boxes().size(), 1u);
    EXPECT_EQ(inner.Boxes()[0].caption, "Second");
    EXPECT_EQ(inner.Boxes()[0].text, "");
    EXPECT_EQ(inner.Boxes()[0].kind, Platform::DialogKind::Error);
  }
  Platform::ShowMessageBox("Third", "after the inner capture ended");
  ASSERT_EQ(outer.Boxes().size(), 2u) << "the inner capture must restore the outer sink";
  EXPECT_EQ(outer.Boxes()[0].caption, "First");
  EXPECT_EQ(outer.Boxes()[0].text, "line 1\nline\t2");
  EXPECT_EQ(outer.Boxes()[0].kind, Platform::DialogKind::Warning);
  EXPECT_EQ(outer.Boxes()[1].caption, "Third");
}

TEST(Dialog, HeadlessDetection) {
  {
    ScopedEnv off("SONABEL_NO_DIALOGS", "1");
    ScopedEnv display("DISPLAY", ":0");
    ScopedEnv driver("SDL_VIDEODRIVER", "x11");
    EXPECT_TRUE(Platform::DialogsAreHeadless());
  }
  {
    ScopedEnv off("SONABEL_NO_DIALOGS", nullptr);
    ScopedEnv display("DISPLAY", nullptr);
    ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
    ScopedEnv driver("SDL_VIDEODRIVER", nullptr);
    EXPECT_TRUE(Platform::DialogsAreHeadless()) << "no display at all";
  }
  {
    ScopedEnv off("SONABEL_NO_DIALOGS", "0");
    ScopedEnv display("DISPLAY", ":0");
    ScopedEnv driver("SDL_VIDEODRIVER", "offscreen");
    EXPECT_TRUE(Platform::DialogsAreHeadless()) << "the offscreen driver has no screen";
  }
  {
    ScopedEnv off("SONABEL_NO_DIALOGS", nullptr);
    ScopedEnv display("DISPLAY", ":0");
    ScopedEnv driver("SDL_VIDEODRIVER", nullptr);
    EXPECT_FALSE(Platform::DialogsAreHeadless());
  }
}

TEST(Dialog, HeadlessBoxGoesToStandardErrorAndReturns) {
  ScopedEnv off("SONABEL_NO_DIALOGS", "1");
  testing::internal::CaptureStderr();
  Platform::ShowMessageBox("Some Caption", "Error:\tsomething failed");
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "[Some Caption]\nError:\tsomething failed\n");
}

}  // namespace
