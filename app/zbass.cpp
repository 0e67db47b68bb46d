// The process-wide audio state behind the script class Bass (see zbass.h).
#include "app/zbass.h"

#include <cstdlib>
#include <mutex>

namespace ZTools {
namespace {

struct BassState {
  std::mutex lock;  // script threads of several runtimes; never held across a callback
  int initCount = 0;
  DWORD floatSupport = 0;  // handle of the float test stream at Init; non-zero = supported
  DWORD outputFrequency = 0;
};

BassState& State() {
  static BassState state;
  return state;
}

int DeviceFromEnvironment() {
  const char* text = std::getenv("SONABEL_AUDIO_DEVICE");
  if (!text || !*text)
    return -1;
  char* end = nullptr;
  long device = std::strtol(text, &end, 10);
  return *end == 0 && device >= -1 && device < 64 ? static_cast<int>(device) : -1;
}

}  // namespace

int ZBass::Init() {
  BassState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  if (s.initCount != 0)
    return 0;
  BOOL ok = BASS_Init(DeviceFromEnvironment(), 44100, 0, nullptr, nullptr);
  if (!ok)
    return ok;
  ++s.initCount;
  BASS_INFO info{};
  DWORD freq = BASS_GetInfo(&info) ? info.freq : 0;
  s.outputFrequency = freq < 20000 ? 44100 : freq;
  s.floatSupport = BASS_StreamCreate(s.outputFrequency, 2, BASS_SAMPLE_FLOAT, nullptr, nullptr);
  if (s.floatSupport)
    BASS_StreamFree(s.floatSupport);
  return ok;
}

void ZBass::Terminate() {
  BassState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  if (s.initCount == 0)
    return;
  if (--s.initCount == 0) {
    BASS_Free();
    s.outputFrequency = 0;
    s.floatSupport = 0;
  }
}

bool ZBass::VersionSupported() { return (BASS_GetVersion() >> 16) == 0x0204; }

DWORD ZBass::GetFrequency() {
  BassState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.outputFrequency;
}

DWORD ZBass::CreationFlags(int loop) {
  BassState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  return (s.floatSupport ? BASS_SAMPLE_FLOAT : 0) | (loop ? BASS_SAMPLE_LOOP : 0);
}

int ZBass::InitCount() {
  BassState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.initCount;
}

}  // namespace ZTools
