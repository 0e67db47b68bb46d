// ZBass: the process-wide side of the script class Bass: how many Init calls hold the output
// device, whether the device takes float streams, and the output rate. Every script runtime
// that uses the audio classes shares this state; the device is freed when the last runtime
// that initialised it terminates.
#pragma once

#include "audio/bass.h"

namespace ZTools {

class ZBass {
 public:
  // Opens the device (default device, or the one named by SONABEL_AUDIO_DEVICE, e.g. 0 for no
  // sound) when no Init holds it yet; answers the open's result, or 0 when already held.
  static int Init();
  // One runtime's terminate: drops one Init; the last one frees the device.
  static void Terminate();
  // Whether the engine is the 2.4 interface this binding is written for.
  static bool VersionSupported();
  static int GetError() { return BASS_ErrorGetCode(); }
  // The output rate in Hz; 0 before a successful Init.
  static DWORD GetFrequency();
  // Flags for a new stream, module or sample: float when supported, loop when asked.
  static DWORD CreationFlags(int loop);
  static int InitCount();
};

}  // namespace ZTools
