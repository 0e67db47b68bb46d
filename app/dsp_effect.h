// CDspEffect: the native side of the script interface DspEffect. An effect has a name, a few
// numbered float parameters with a range and a name, and binds itself to one playing channel
// of the audio engine (by the engine's channel handle) with Attach and lets go with Detach.
#pragma once

#include "audio/bass.h"

namespace ZTools {

class CDspEffect {
 public:
  virtual ~CDspEffect() = default;
  virtual const char* GetEffectName() = 0;
  virtual int GetNumParameters() = 0;
  virtual void SetParameter(int p, float v) = 0;
  virtual float GetParameter(int p) = 0;
  virtual float GetParameterMin(int p) = 0;
  virtual float GetParameterMax(int p) = 0;
  virtual const char* GetParameterName(int p) = 0;
  // Binds the effect to the engine channel `channel`; an effect holds at most one binding.
  virtual void Attach(HCHANNEL channel) = 0;
  virtual void Detach() = 0;
};

}  // namespace ZTools
