// Where mixed audio goes: the default device through SDL2, or nowhere (device 0) with a
// real-time clock thread that still runs the mixer, so positions, syncs, DSP and levels behave
// as on a real device.
#pragma once

#include <memory>

namespace audio {

class Output {
 public:
  virtual ~Output() = default;
  virtual int rate() const = 0;
  virtual int latencyMs() const = 0;
};

// Both start mixing at once; destroying them stops the mixer thread (call without the engine
// lock held). They return null and set the error code when the device cannot be opened.
std::unique_ptr<Output> openNullOutput(int rate);
std::unique_ptr<Output> openSdlOutput(int rate);

}  // namespace audio
