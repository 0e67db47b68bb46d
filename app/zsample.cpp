// Samples of the audio classes: loading through the host's file input, voices and playing.
#include "app/zsample.h"

#include "app/zbass.h"

namespace ZTools {

ZILError ZSample::Load(const ZAudioHost& host, const char* name, int maxPoly, int loop) {
  Free();
  ZAudioBuffer file;
  if (ZILError e = ZLoadAudioFile(host, name, file))
    return e;
  mHandle = BASS_SampleLoad(TRUE, file.Data(), 0, static_cast<DWORD>(file.Size()), static_cast<DWORD>(maxPoly),
                            ZBass::CreationFlags(loop));
  if (mHandle)
    mFile = std::move(file);
  return 0;
}

void ZSample::GetChannel(int onlyNew, ZChannel& voice) {
  voice.SetSampleVoice(BASS_SampleGetChannel(mHandle, onlyNew));
}

void ZSample::Play() { BASS_ChannelPlay(BASS_SampleGetChannel(mHandle, FALSE), FALSE); }

void ZSample::Play(float volume, float pan) {
  HCHANNEL voice = BASS_SampleGetChannel(mHandle, FALSE);
  BASS_ChannelSetAttribute(voice, BASS_ATTRIB_VOL, volume);
  BASS_ChannelSetAttribute(voice, BASS_ATTRIB_PAN, pan);
  BASS_ChannelPlay(voice, FALSE);
}

void ZSample::Play(float freq, float volume, float pan) {
  HCHANNEL voice = BASS_SampleGetChannel(mHandle, FALSE);
  BASS_ChannelSetAttribute(voice, BASS_ATTRIB_FREQ, freq);
  BASS_ChannelSetAttribute(voice, BASS_ATTRIB_VOL, volume);
  BASS_ChannelSetAttribute(voice, BASS_ATTRIB_PAN, pan);
  BASS_ChannelPlay(voice, FALSE);
}

void ZSample::Free() {
  if (mHandle)
    BASS_SampleFree(mHandle);
  mFile.Release();  // after the engine has let go of the sample
  mHandle = 0;
}

}  // namespace ZTools
