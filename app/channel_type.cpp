// The native type Channel: the script's view of one ZChannel (a stream, module or sample voice).
// Scripts never create channels with `new`; Bass and Sample hand them out. Also the shared
// helpers of the audio procs: the runtime-backed host and channel handles.
#include "app/audio_script_types.h"

namespace ZTools {
namespace {

const char kChannelDeclaration[] =
    "method Play(const int bRestart);\n"
    "method Stop();\n"
    "method Pause();\n"
    "method float GetFreq();\n"
    "method float GetVolume();\n"
    "method float GetPan();\n"
    "method SetFreq(const float freq);\n"
    "method SetVolume(const float volume);\n"
    "method SetPan(const float pan);\n"
    "method Slide(const int attrib, const float value, const int time);\n"
    "method int IsActive();\n"
    "method int IsSliding(const int attrib);\n"
    "method Free();\n"
    "method PanSeparation(const float level);\n"
    "method float GetPosition();\n"
    "method float GetLength();\n"
    "method int GetOrderPosition();\n"
    "method int GetOrders();\n"
    "method int GetType();\n"
    "method SetPosition(const float secs);\n"
    "method float GetLevelL();\n"
    "method float GetLevelR();\n"
    "method string GetTitle();\n"
    "method string GetStreamInfo();\n"
    "method int GetStreamMetaCount();\n"
    "method SetStreamMetaCount(const int val);\n"
    "method int GetConnectResult();\n"
    "const int kActiveStopped = 0;\n"
    "const int kActivePlaying = 1;\n"
    "const int kActiveStalled = 2;\n"
    "const int kActivePaused = 3;\n"
    "const int kAttribFreq = 1;\n"
    "const int kAttribVol = 2;\n"
    "const int kAttribPan = 3;\n";

ZILError ReturnText(ZILState* ps, const std::string& text) {
  return NTLReturnStringBytes(ps, text.data(), static_cast<ZILLong>(text.size()));
}

float FloatArg(ZILState* ps, ZILLong n) { return static_cast<float>(NTLGetArgFloat(ps, n)); }

ZILError CallMember(ZILState* ps, ZILLong method, ZChannel* c) {
  if (!ps || !c)
    return ZIL_ERR_Illegal_Argument;
  switch (method) {
    case 0: c->Play(NTLGetArgInt(ps, 0)); return 0;
    case 1: c->Stop(); return 0;
    case 2: c->Pause(); return 0;
    case 3: return NTLReturnFloat(ps, c->GetFreq());
    case 4: return NTLReturnFloat(ps, c->GetVolume());
    case 5: return NTLReturnFloat(ps, c->GetPan());
    case 6: c->SetFreq(FloatArg(ps, 0)); return 0;
    case 7: c->SetVolume(FloatArg(ps, 0)); return 0;
    case 8: c->SetPan(FloatArg(ps, 0)); return 0;
    case 9: c->Slide(NTLGetArgInt(ps, 0), FloatArg(ps, 1), NTLGetArgInt(ps, 2)); return 0;
    case 10: return NTLReturnInt(ps, c->IsActive());
    case 11: return NTLReturnInt(ps, c->IsSliding(NTLGetArgInt(ps, 0)));
    case 12: c->Free(); return 0;
    case 13: c->PanSeparation(FloatArg(ps, 0)); return 0;
    case 14: return NTLReturnFloat(ps, c->GetPosition());
    case 15: return NTLReturnFloat(ps, c->GetLength());
    case 16: return NTLReturnInt(ps, c->GetOrderPosition());
    case 17: return NTLReturnInt(ps, c->GetOrders());
    case 18: return NTLReturnInt(ps, c->GetType());
    case 19: c->SetPosition(FloatArg(ps, 0)); return 0;
    case 20: return NTLReturnFloat(ps, c->GetLevelL());
    case 21: return NTLReturnFloat(ps, c->GetLevelR());
    case 22: return ReturnText(ps, c->GetTitle());
    case 23: return ReturnText(ps, c->GetStreamInfo());
    case 24: return NTLReturnInt(ps, c->GetStreamMetaCount());
    case 25: c->SetStreamMetaCount(NTLGetArgInt(ps, 0)); return 0;
    case 26: return NTLReturnInt(ps, c->GetConnectResult());
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

}  // namespace

ZAudioHost ZRuntimeAudioHost(ZILState* ps) {
  ZAudioHost host;
  if (ps->fileInput) {
    ZILFileInputProc input = ps->fileInput;
    host.fileInput = [ps, input](int op, const char* name, void* buffer, ZILLong size, void** file, ZILLong* done) {
      return input(ps, op, name, buffer, size, file, done);
    };
  }
  host.alloc = [ps](size_t size) {
    return ZILAlloc(ps, size);
  };
  host.free = [ps](void* p) {
    ZILFree(ps, p);
  };
  return host;
}

ZChannel* ZNewChannelObject(ZILState* ps) { return ZNewInRuntime<ZChannel>(ps); }

void ZDeleteChannelObject(ZILState* ps, ZChannel* channel) { ZDeleteInRuntime(ps, channel); }

ZILError ZReturnChannel(ZILState* ps, ZChannel* channel) {
  ZILLong type = NTLTypeNameToTypeID(ps, "Channel");
  ZILHandle* h = type >= ZIL_FIRST_USER_TYPE ? NTLNewHandleForObject(ps, type, channel) : nullptr;
  if (!h || h->payload.p != channel) {
    if (h)
      NTLFreeHandle(ps, h);
    ZDeleteChannelObject(ps, channel);
    return type >= ZIL_FIRST_USER_TYPE ? ZIL_EXC_Allocation_Fail : ZIL_ERR_Undefined_Native_Type;
  }
  ZILError e = NTLReturnHandle(ps, h);
  NTLFreeHandle(ps, h);
  return e;
}

ZILError ChannelTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  switch (msg) {
    case NTL_Register:
    case NTL_Initialize:
    case NTL_Terminate:
    case NTL_Unregister:
    case NTL_MarkHandles:  // a channel holds no script handles
      return 0;
    case NTL_CallMember: return CallMember(NTLInstanceGetVM(inst), param, static_cast<ZChannel*>(in));
    case NTL_DestroyObject: ZDeleteChannelObject(NTLInstanceGetVM(inst), static_cast<ZChannel*>(in)); return 0;
    default:  // new objects, static calls, base name
      return ZAnswerClassInfo({"Channel", "", "12.09.2007",
                               "Wraps a channel of the BASS audio library: a stream, module music or sample voice.", 10,
                               kChannelDeclaration},
                              msg, out);
  }
}

}  // namespace ZTools
