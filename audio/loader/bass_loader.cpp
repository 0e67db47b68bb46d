// The player's way to the audio engine: the engine (FFmpeg, libopenmpt and their hundred-odd
// libraries) is a module, libsonabel-audio.so, opened the first time a script uses it, so the
// player's window is on screen before those libraries are mapped. Each BASS_* function here
// forwards to the module's; when the module cannot be opened, every call fails and
// BASS_ErrorGetCode answers BASS_ERROR_NOTAVAIL. Tools and tests link the engine directly.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "audio/bass.h"

namespace {

// X(result, name, value on failure, (parameters), (arguments))
#define SONABEL_BASS_FUNCTIONS(X) \
  X(BOOL, BASS_Init, FALSE, (int a, DWORD b, DWORD c, void* d, const void* e), (a, b, c, d, e)) \
  X(BOOL, BASS_Free, FALSE, (void), ()) \
  X(BOOL, BASS_GetInfo, FALSE, (BASS_INFO * a), (a)) \
  X(BOOL, BASS_SetConfig, FALSE, (DWORD a, DWORD b), (a, b)) \
  X(DWORD, BASS_GetConfig, DWORD(-1), (DWORD a), (a)) \
  X(HSTREAM, BASS_StreamCreate, 0, (DWORD a, DWORD b, DWORD c, STREAMPROC * d, void* e), (a, b, c, d, e)) \
  X(HSTREAM, BASS_StreamCreateFile, 0, (BOOL a, const void* b, QWORD c, QWORD d, DWORD e), (a, b, c, d, e)) \
  X(HSTREAM, BASS_StreamCreateURL, 0, (const char* a, DWORD b, DWORD c, DOWNLOADPROC* d, void* e), (a, b, c, d, e)) \
  X(BOOL, BASS_StreamFree, FALSE, (HSTREAM a), (a)) \
  X(int, BASS_StreamGetConnectResult, BASS_ERROR_NOTAVAIL, (HSTREAM a), (a)) \
  X(HMUSIC, BASS_MusicLoad, 0, (BOOL a, const void* b, QWORD c, DWORD d, DWORD e, DWORD f), (a, b, c, d, e, f)) \
  X(BOOL, BASS_MusicFree, FALSE, (HMUSIC a), (a)) \
  X(HSAMPLE, BASS_SampleLoad, 0, (BOOL a, const void* b, QWORD c, DWORD d, DWORD e, DWORD f), (a, b, c, d, e, f)) \
  X(BOOL, BASS_SampleFree, FALSE, (HSAMPLE a), (a)) \
  X(HCHANNEL, BASS_SampleGetChannel, 0, (HSAMPLE a, BOOL b), (a, b)) \
  X(BOOL, BASS_SampleStop, FALSE, (HSAMPLE a), (a)) \
  X(BOOL, BASS_ChannelPlay, FALSE, (DWORD a, BOOL b), (a, b)) \
  X(BOOL, BASS_ChannelStop, FALSE, (DWORD a), (a)) \
  X(BOOL, BASS_ChannelPause, FALSE, (DWORD a), (a)) \
  X(DWORD, BASS_ChannelIsActive, 0, (DWORD a), (a)) \
  X(BOOL, BASS_ChannelGetAttribute, FALSE, (DWORD a, DWORD b, float* c), (a, b, c)) \
  X(BOOL, BASS_ChannelSetAttribute, FALSE, (DWORD a, DWORD b, float c), (a, b, c)) \
  X(BOOL, BASS_ChannelSlideAttribute, FALSE, (DWORD a, DWORD b, float c, DWORD d), (a, b, c, d)) \
  X(BOOL, BASS_ChannelIsSliding, FALSE, (DWORD a, DWORD b), (a, b)) \
  X(QWORD, BASS_ChannelGetPosition, QWORD(-1), (DWORD a, DWORD b), (a, b)) \
  X(BOOL, BASS_ChannelSetPosition, FALSE, (DWORD a, QWORD b, DWORD c), (a, b, c)) \
  X(QWORD, BASS_ChannelGetLength, QWORD(-1), (DWORD a, DWORD b), (a, b)) \
  X(double, BASS_ChannelBytes2Seconds, -1.0, (DWORD a, QWORD b), (a, b)) \
  X(QWORD, BASS_ChannelSeconds2Bytes, QWORD(-1), (DWORD a, double b), (a, b)) \
  X(DWORD, BASS_ChannelGetLevel, DWORD(-1), (DWORD a), (a)) \
  X(const char*, BASS_ChannelGetTags, nullptr, (DWORD a, DWORD b), (a, b)) \
  X(HSYNC, BASS_ChannelSetSync, 0, (DWORD a, DWORD b, QWORD c, SYNCPROC * d, void* e), (a, b, c, d, e)) \
  X(BOOL, BASS_ChannelRemoveSync, FALSE, (DWORD a, HSYNC b), (a, b)) \
  X(HDSP, BASS_ChannelSetDSP, 0, (DWORD a, DSPPROC * b, void* c, int d), (a, b, c, d)) \
  X(BOOL, BASS_ChannelRemoveDSP, FALSE, (DWORD a, HDSP b), (a, b))

struct Engine {
  bool loaded = false;
  int (*errorGetCode)() = nullptr;
#define SONABEL_BASS_POINTER(result, name, failure, params, args) result(*name) params = nullptr;
  SONABEL_BASS_FUNCTIONS(SONABEL_BASS_POINTER)
#undef SONABEL_BASS_POINTER
};

// The module beside the program (the build folder), else in the library folder of the
// installation the program lies in, else in the one it was configured for.
void* OpenModule(std::string& why) {
  std::string folder;
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n > 0) {
    folder.assign(path, size_t(n));
    folder.erase(folder.rfind('/') + 1);
  }
  const char* candidates[] = {nullptr, nullptr, nullptr};
  std::string beside = folder + "libsonabel-audio.so";
  std::string relocated = folder + "../lib/sonabel/libsonabel-audio.so";
  candidates[0] = beside.c_str();
  candidates[1] = relocated.c_str();
#ifdef SONABEL_AUDIO_MODULE_DIR
  std::string installed = std::string(SONABEL_AUDIO_MODULE_DIR) + "/libsonabel-audio.so";
  candidates[2] = installed.c_str();
#endif
  for (const char* candidate : candidates) {
    if (!candidate)
      continue;
    if (void* module = dlopen(candidate, RTLD_NOW | RTLD_LOCAL))
      return module;
    if (const char* error = dlerror())
      why = error;
  }
  return nullptr;
}

Engine& TheEngine() {
  static Engine engine;
  static std::once_flag once;
  std::call_once(once, [] {
    std::string why = "libsonabel-audio.so was not found";
    void* module = OpenModule(why);
    if (!module) {
      std::fprintf(stderr, "sonabel: the audio engine is not available: %s\n", why.c_str());
      return;
    }
    bool complete = (engine.errorGetCode = reinterpret_cast<int (*)()>(dlsym(module, "BASS_ErrorGetCode")));
#define SONABEL_BASS_RESOLVE(result, name, failure, params, args) \
  engine.name = reinterpret_cast<result(*) params>(dlsym(module, #name)); \
  complete = complete && engine.name;
    SONABEL_BASS_FUNCTIONS(SONABEL_BASS_RESOLVE)
#undef SONABEL_BASS_RESOLVE
    if (!complete) {
      std::fprintf(stderr, "sonabel: the audio engine %s lacks functions; audio is off\n", "libsonabel-audio.so");
      return;
    }
    engine.loaded = true;
  });
  return engine;
}

}  // namespace

extern "C" {

// The interface version is the loader's own: asking for it (every script runtime with the audio
// classes does, at its start) must not open the engine.
DWORD BASS_GetVersion(void) { return DWORD(BASSVERSION) << 16; }

int BASS_ErrorGetCode(void) {
  Engine& e = TheEngine();
  return e.loaded ? e.errorGetCode() : BASS_ERROR_NOTAVAIL;
}

#define SONABEL_BASS_FORWARD(result, name, failure, params, args) \
  result name params { \
    Engine& engine_ = TheEngine(); \
    return engine_.loaded ? engine_.name args : failure; \
  }
SONABEL_BASS_FUNCTIONS(SONABEL_BASS_FORWARD)
#undef SONABEL_BASS_FORWARD

}  // extern "C"
