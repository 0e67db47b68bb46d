// The audio script fixture (see audio_script_fixture.h).
#include "audio_script_fixture.h"

#include <cstdlib>

#include "app/audio_script_classes.h"
#include "app/zbass.h"
#include "zilcompiler.h"

namespace apptest {

void AudioScriptTest::SetUp() {
  setenv("SONABEL_AUDIO_DEVICE", "0", 1);
  ps = ZILInitialize();
  ASSERT_NE(ps, nullptr);
  ps->user = this;
  ps->log = [](ZILState* s, const ZILChar* line) {
    static_cast<AudioScriptTest*>(s->user)->log += line;
  };
  ASSERT_EQ(ZILInitializeCompiler(ps), 0) << log;
  ASSERT_EQ(ZTools::RegisterAudioScriptClasses(ps), 0) << log;
}

void AudioScriptTest::TearDown() {
  if (ps) {
    for (ZILHandle* h : held)
      NTLFreeHandle(ps, h);
    held.clear();
    ZILTerminate(ps);
    ps = nullptr;
  }
  EXPECT_EQ(ZTools::ZBass::InitCount(), 0) << "the runtime's terminate gives the device back";
  while (ZTools::ZBass::InitCount() > 0)
    ZTools::ZBass::Terminate();
}

bool AudioScriptTest::Load(const std::string& script) {
  log.clear();
  if (ZILError e = ZCLCompile(ps, "test.zc", script.c_str())) {
    ADD_FAILURE() << "compile: " << e << "\n" << log;
    return false;
  }
  if (ZILError e = ZCLLink(ps)) {
    ADD_FAILURE() << "link: " << e << "\n" << log;
    return false;
  }
  if (ZILError e = ZILRun(ps)) {
    ADD_FAILURE() << "run: " << e << "\n" << log;
    return false;
  }
  return true;
}

void AudioScriptTest::Drop(ZILHandle* h) {
  for (auto it = held.begin(); it != held.end(); ++it) {
    if (*it == h) {
      held.erase(it);
      NTLFreeHandle(ps, h);
      return;
    }
  }
}

std::string AudioScriptTest::Describe(ZILHandle* h) {
  if (!h)
    return "none";
  if (h->type == ZIL_TYPE_EXCEPTION)
    return "exception " + std::to_string(h->payload.l);
  return std::string("a ") + ZILGetTypeName(ps, h->type);
}

}  // namespace apptest
