// ZSample: the native record behind the script class Sample: a sound loaded whole into the
// engine, played on one of several voices at once.
#pragma once

#include "app/audio_file_input.h"
#include "app/zchannel.h"
#include "audio/bass.h"

namespace ZTools {

class ZSample {
 public:
  ZSample() = default;
  ~ZSample() { Free(); }
  ZSample(const ZSample&) = delete;
  ZSample& operator=(const ZSample&) = delete;

  // Answers ZIL_ERR_Unspecified when the file cannot be read; a refusal of the engine leaves
  // handle 0.
  ZILError Load(const ZAudioHost& host, const char* name, int maxPoly, int loop);
  // Makes `voice` a channel of kind 1 on one of this sample's voices.
  void GetChannel(int onlyNew, ZChannel& voice);
  void Play();
  void Play(float volume, float pan);
  void Play(float freq, float volume, float pan);
  void Stop() { BASS_SampleStop(mHandle); }
  void Free();

  HSAMPLE Handle() const { return mHandle; }

 private:
  HSAMPLE mHandle = 0;
  ZAudioBuffer mFile;  // kept for the sample's life
};

}  // namespace ZTools
