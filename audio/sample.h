// Samples: sounds decoded whole into memory (stereo float) that play on up to `max` voices at
// once. Each voice is a channel of kind Voice reading the shared data; voices belong to their
// sample and are given back when stopped or when the sample is freed.
#pragma once

#include <memory>
#include <vector>

#include "audio/engine.h"

namespace audio {

struct SampleObject {
  HSAMPLE handle = 0;
  std::shared_ptr<const std::vector<float>> data;  // interleaved stereo
  int rate = 44100;
  DWORD flags = 0;
  DWORD maxVoices = 1;
  std::vector<HCHANNEL> voices;
};

// With the engine lock held: removes a voice channel from its sample and the channel table.
void releaseVoice(HCHANNEL voice);

}  // namespace audio
