// The native type procedures of the audio script classes (Bass, Channel, Sample, DspEffectEQ)
// and what they share: the class information common to all four, the runtime-backed file input
// and allocator, and making a script handle for a new channel. Installed together by
// RegisterAudioScriptClasses (audio_script_classes.h).
#pragma once

#include <new>

#include "app/audio_file_input.h"
#include "app/zchannel.h"
#include "ziltools.h"

namespace ZTools {

ZILError BassTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);
ZILError ChannelTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);
ZILError SampleTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);
ZILError DspEffectEQTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);

// The script text that declares the DspEffect interface (and forward-declares Channel).
extern const char kAudioPrelude[];
// The player's own addition to the prelude: the skin's AddStation hook (needs Application).
extern const char kStationPrelude[];

// The type-interface version every audio type is built for: 1.0.3.2.
constexpr ZILLong kAudioInterfaceVersion = 0x01000302;

// What a type proc tells about its class; the author name is "Sonabel" for all four.
struct ZAudioClassInfo {
  const char* name;
  const char* packages;
  const char* buildTimeStamp;
  const char* authorString;
  ZILLong authorVersion;
  const char* declaration;
};
// Answers the class-information messages (name, packages, versions, time stamp, author texts,
// declaration); ZIL_ERR_Unsupported_Native_Call for any other message.
ZILError ZAnswerClassInfo(const ZAudioClassInfo& info, ZILLong msg, ZILUnknown** out);

// The runtime's file input and allocator as the audio records want them.
ZAudioHost ZRuntimeAudioHost(ZILState* ps);

// A Channel object in the runtime's memory, and the script handle that owns it. New objects
// are empty (handle 0, kind 0).
ZChannel* ZNewChannelObject(ZILState* ps);
void ZDeleteChannelObject(ZILState* ps, ZChannel* channel);
// Hands `channel` to the script as r1; the handle owns it from then on. On failure the channel
// is deleted and the error answered.
ZILError ZReturnChannel(ZILState* ps, ZChannel* channel);

// Placement of native records in runtime memory.
template <class T>
T* ZNewInRuntime(ZILState* ps) {
  void* memory = ZILAlloc(ps, sizeof(T));
  return memory ? new (memory) T() : nullptr;
}
template <class T>
void ZDeleteInRuntime(ZILState* ps, T* object) {
  if (!object)
    return;
  object->~T();
  ZILFree(ps, object);
}

}  // namespace ZTools
