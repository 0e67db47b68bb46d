// The native type Bass: static functions that open the output device and create channels and
// samples. Registering Bass registers Channel and Sample with it. The device is counted per
// process (ZBass); a runtime gives back at its terminate only the Init it took itself, so a
// second runtime that merely used the device cannot close it under the first.
#include <string>

#include "app/audio_script_types.h"
#include "app/zbass.h"
#include "app/zsample.h"

namespace ZTools {
namespace {

enum BassFunction {
  kInit = 0,
  kStreamCreateFile,
  kStreamCreateURL,
  kMusicLoad,
  kSampleLoad,
  kGetError,
  kGetFrequency,
  kStreamConnectURL,
  kErrorText,
  kBassFunctions
};

const char kBassFunctionsText[] =
    "function int Init();\n"
    "function Channel StreamCreateFile(const string soundFile, const int bLoop);\n"
    "function Channel StreamCreateURL(const string url);\n"
    "function Channel MusicLoad(const string musicFile, const int bLoop);\n"
    "function Sample SampleLoad(const string musicFile, const int maxPoly, const int bLoop);\n"
    "function int GetError();\n"
    "function int GetFrequency();\n"
    "function Channel StreamConnectURL(const string url);\n"
    "function string ErrorText(const int code);\n";

struct ErrorConstant {
  const char* name;
  int value;
};
const ErrorConstant kErrorConstants[] = {
    {"OK", 0},
    {"ERROR_MEM", 1},
    {"ERROR_FILEOPEN", 2},
    {"ERROR_DRIVER", 3},
    {"ERROR_BUFLOST", 4},
    {"ERROR_HANDLE", 5},
    {"ERROR_FORMAT", 6},
    {"ERROR_POSITION", 7},
    {"ERROR_INIT", 8},
    {"ERROR_START", 9},
    {"ERROR_ALREADY", 14},
    {"ERROR_NOCHAN", 18},
    {"ERROR_ILLTYPE", 19},
    {"ERROR_ILLPARAM", 20},
    {"ERROR_NO3D", 21},
    {"ERROR_NOEAX", 22},
    {"ERROR_DEVICE", 23},
    {"ERROR_NOPLAY", 24},
    {"ERROR_FREQ", 25},
    {"ERROR_NOTFILE", 27},
    {"ERROR_NOHW", 29},
    {"ERROR_EMPTY", 31},
    {"ERROR_NONET", 32},
    {"ERROR_CREATE", 33},
    {"ERROR_NOFX", 34},
    {"ERROR_NOTAVAIL", 37},
    {"ERROR_DECODE", 38},
    {"ERROR_DX", 39},
    {"ERROR_TIMEOUT", 40},
    {"ERROR_FILEFORM", 41},
    {"ERROR_SPEAKER", 42},
    {"ERROR_VERSION", 43},
    {"ERROR_CODEC", 44},
    {"ERROR_ENDED", 45},
    {"ERROR_UNKNOWN", -1},
};

// The class body: the functions, then one "const int NAME = VALUE;" line per error code. Built
// once; the compiler only reads it.
const char* BassDeclaration() {
  static const std::string text = [] {
    std::string t = kBassFunctionsText;
    for (const ErrorConstant& c : kErrorConstants)
      t += "const int " + std::string(c.name) + " = " + std::to_string(c.value) + ";\n";
    return t;
  }();
  return text.c_str();
}

ZILError StreamCreateFile(ZILState* ps) {
  ZChannel* c = ZNewChannelObject(ps);
  if (!c)
    return ZIL_EXC_Allocation_Fail;
  if (ZILError e = c->StreamCreateFile(ZRuntimeAudioHost(ps), NTLGetArgString(ps, 0), NTLGetArgInt(ps, 1))) {
    ZDeleteChannelObject(ps, c);
    return e;
  }
  return ZReturnChannel(ps, c);
}

ZILError StreamCreateURL(ZILState* ps, bool async) {
  ZChannel* c = ZNewChannelObject(ps);
  if (!c)
    return ZIL_EXC_Allocation_Fail;
  c->StreamCreateURL(NTLGetArgString(ps, 0), async);
  return ZReturnChannel(ps, c);
}

ZILError MusicLoad(ZILState* ps) {
  ZChannel* c = ZNewChannelObject(ps);
  if (!c)
    return ZIL_EXC_Allocation_Fail;
  if (ZILError e = c->MusicLoad(ZRuntimeAudioHost(ps), NTLGetArgString(ps, 0), NTLGetArgInt(ps, 1))) {
    ZDeleteChannelObject(ps, c);
    return e;
  }
  return ZReturnChannel(ps, c);
}

ZILError SampleLoad(ZILState* ps) {
  ZILLong type = NTLTypeNameToTypeID(ps, "Sample");
  if (type < ZIL_FIRST_USER_TYPE)
    return ZIL_ERR_Undefined_Native_Type;
  ZSample* s = ZNewInRuntime<ZSample>(ps);
  if (!s)
    return ZIL_EXC_Allocation_Fail;
  if (ZILError e = s->Load(ZRuntimeAudioHost(ps), NTLGetArgString(ps, 0), NTLGetArgInt(ps, 1), NTLGetArgInt(ps, 2))) {
    ZDeleteInRuntime(ps, s);
    return e;
  }
  ZILHandle* h = NTLNewHandleForObject(ps, type, s);
  if (!h || h->payload.p != s) {
    if (h)
      NTLFreeHandle(ps, h);
    ZDeleteInRuntime(ps, s);
    return ZIL_EXC_Allocation_Fail;
  }
  ZILError e = NTLReturnHandle(ps, h);
  NTLFreeHandle(ps, h);
  return e;
}

ZILError CallStatic(NTLInstance* inst, ZILLong function) {
  ZILState* ps = NTLInstanceGetVM(inst);
  if (!ps)
    return ZIL_ERR_Illegal_Argument;
  switch (function) {
    case kInit: {
      int result = ZBass::Init();
      if (result)
        inst->user = 1;  // this runtime holds the device
      return NTLReturnInt(ps, result);
    }
    case kStreamCreateFile: return StreamCreateFile(ps);
    case kStreamCreateURL: return StreamCreateURL(ps, false);
    case kStreamConnectURL: return StreamCreateURL(ps, true);
    case kErrorText: {
      const std::string text = ZBassErrorText(NTLGetArgInt(ps, 0));
      return NTLReturnStringBytes(ps, text.data(), ZILLong(text.size()));
    }
    case kMusicLoad: return MusicLoad(ps);
    case kSampleLoad: return SampleLoad(ps);
    case kGetError: return NTLReturnInt(ps, ZBass::GetError());
    case kGetFrequency: return NTLReturnInt(ps, static_cast<ZILLong>(ZBass::GetFrequency()));
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

}  // namespace

ZILError BassTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  switch (msg) {
    case NTL_Register: {
      ZILState* ps = static_cast<ZILState*>(in);
      if (ZILError e = ZILRegisterNativeType(ps, ChannelTypeProc))
        return e;
      return ZILRegisterNativeType(ps, SampleTypeProc);
    }
    case NTL_Initialize:
      if (!ZBass::VersionSupported())
        return ZIL_ERR_Unsupported_Native_Call;
      if (inst)
        inst->user = 0;
      return 0;
    case NTL_Terminate:
      if (inst && inst->user) {
        inst->user = 0;
        ZBass::Terminate();
      }
      return 0;
    case NTL_Unregister: return 0;
    case NTL_CallStatic: return CallStatic(inst, param);
    default:  // no objects: Bass has static functions only
      return ZAnswerClassInfo(
          {"Bass", "Channel, Sample", "12.09.2007",
           "Wraps the BASS audio library: output device, streams, module music and samples.", 10, BassDeclaration()},
          msg, out);
  }
}

}  // namespace ZTools
