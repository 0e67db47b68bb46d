// The audio script fixture (see audio_script_fixture.h) and its stand-in Console class.
#include "audio_script_fixture.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/audio_script_classes.h"
#include "app/zbass.h"
#include "src/compiler/zilcompiler.h"

namespace apptest {
namespace {

std::string* gConsole = nullptr;  // where the current fixture's Console prints

void PrintValue(ZILState* ps, std::string& out) {
  ZILHandle* h = NTLGetArgHandle(ps, 0);
  switch (h ? h->type : 0) {
    case ZIL_TYPE_INT: out += std::to_string(h->payload.l); break;
    case ZIL_TYPE_FLOAT: {
      char text[64];
      std::snprintf(text, sizeof text, "%g", h->payload.f);
      out += text;
      break;
    }
    case ZIL_TYPE_STRING: out += ZILStringText(static_cast<ZILString*>(h->payload.p)); break;
    case ZIL_TYPE_NULL: out += "null"; break;
    default: out += std::string("<") + ZILGetTypeName(ps, h->type) + ">";
  }
  NTLFreeHandle(ps, h);
}

ZILError ConsoleProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown*, ZILUnknown** out) {
  switch (msg) {
    case NTL_Register:
    case NTL_Initialize:
    case NTL_Terminate:
    case NTL_Unregister:
      return 0;
    case NTL_GetClassName:
      *out = const_cast<char*>("Console");
      return 0;
    case NTL_GetInterfaceVersion:
      return 0x01000302;
    case NTL_GetAuthorVersion:
      return 1;
    case NTL_GetDeclString:
      *out = const_cast<char*>(
          "function print(const var v);function println(const var v);function string readLine();"
          "function sleep(const int milliseconds);");
      return 0;
    case NTL_CallStatic: {
      ZILState* ps = NTLInstanceGetVM(inst);
      std::string& text = *gConsole;
      switch (param) {
        case 0: PrintValue(ps, text); return 0;
        case 1: PrintValue(ps, text); text += "\n"; return 0;
        case 2: return NTLReturnString(ps, "");
        case 3: std::this_thread::sleep_for(std::chrono::milliseconds(NTLGetArgInt(ps, 0))); return 0;
        default: return ZIL_ERR_Invalid_Function_Index;
      }
    }
    default:
      return ZIL_ERR_Unsupported_Native_Call;
  }
}

}  // namespace

void AudioScriptTest::SetUp() {
  setenv("SONABEL_AUDIO_DEVICE", "0", 1);
  gConsole = &console;
  ps = ZILInitialize();
  ASSERT_NE(ps, nullptr);
  ps->user = this;
  ps->log = [](ZILState* s, const ZILChar* line) { static_cast<AudioScriptTest*>(s->user)->log += line; };
  ASSERT_EQ(ZILInitializeCompiler(ps), 0) << log;
  ASSERT_EQ(ZILRegisterNativeType(ps, ConsoleProc), 0);
  ASSERT_EQ(ZTools::RegisterAudioScriptClasses(ps), 0) << log;
}

void AudioScriptTest::TearDown() {
  if (ps) {
    for (ZILHandle* h : held) NTLFreeHandle(ps, h);
    held.clear();
    ZILTerminate(ps);
    ps = nullptr;
  }
  EXPECT_EQ(ZTools::ZBass::InitCount(), 0) << "the runtime's terminate gives the device back";
  while (ZTools::ZBass::InitCount() > 0) ZTools::ZBass::Terminate();
  gConsole = nullptr;
}

bool AudioScriptTest::Load(const std::string& script) {
  log.clear();
  std::string text = "import Console;\n" + script;
  if (ZILError e = ZCLCompile(ps, "test.zc", text.c_str())) {
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

ZILHandle* AudioScriptTest::StringArray(const std::vector<std::string>& items) {
  ZILHandle* array = nullptr;
  if (ZILNewArray(ps, &array) != 0) return nullptr;
  for (const std::string& item : items) {
    ZILHandle* s = nullptr;
    ZILNewString(ps, item.c_str(), static_cast<ZILLong>(item.size()), &s);
    ZILArrayAppend(static_cast<ZILArray*>(array->payload.p), s);
  }
  held.push_back(array);
  return array;
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
  if (!h) return "none";
  if (h->type == ZIL_TYPE_EXCEPTION) return "exception " + std::to_string(h->payload.l);
  return std::string("a ") + ZILGetTypeName(ps, h->type);
}

}  // namespace apptest
