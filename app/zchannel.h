// ZChannel: the native record behind the script class Channel: one engine stream, module or
// sample voice, with the title and server information a skin shows and a count of metadata
// changes the skin polls.
//
// Threads: the engine calls the metadata sync on its own thread. The title, the stream info
// and the count live in a shared block; the texts are replaced whole under the block's lock
// (held for a tag read and a string swap), the count is atomic, and the title is stored before
// the count moves, so a skin that sees the count change reads the new title. The sync finds
// the block through a table keyed by a number, not through a pointer to this object, so a sync
// that fires while the channel is being freed finds nothing instead of freed memory.
#pragma once

#include <memory>
#include <string>

#include "app/audio_file_input.h"
#include "audio/bass.h"

namespace ZTools {

class ZChannel {
 public:
  enum Kind {
    kNothing = 0,
    kSampleVoice = 1,
    kStream = 2,
    kMusic = 3
  };

  ZChannel();
  ~ZChannel();  // as Free
  ZChannel(const ZChannel&) = delete;
  ZChannel& operator=(const ZChannel&) = delete;

  // Creation on a fresh channel (an earlier one is freed first). The file variants answer
  // ZIL_ERR_Unspecified when the file cannot be read; a refusal of the engine leaves handle 0 and
  // kind 0.
  ZILError StreamCreateFile(const ZAudioHost& host, const char* name, int loop);
  // An internet stream; with `async` the call returns at once and the stream connects on a
  // thread of the engine (GetConnectResult tells how that went).
  void StreamCreateURL(const char* url, bool async = false);
  ZILError MusicLoad(const ZAudioHost& host, const char* name, int loop);
  void SetSampleVoice(HCHANNEL voice);  // kind 1, even for handle 0

  void Play(int restart) { BASS_ChannelPlay(mHandle, restart); }
  void Stop() { BASS_ChannelStop(mHandle); }
  void Pause() { BASS_ChannelPause(mHandle); }
  float GetFreq() const { return Attribute(BASS_ATTRIB_FREQ); }
  float GetVolume() const { return Attribute(BASS_ATTRIB_VOL); }
  float GetPan() const { return Attribute(BASS_ATTRIB_PAN); }
  void SetFreq(float v) { BASS_ChannelSetAttribute(mHandle, BASS_ATTRIB_FREQ, v); }
  void SetVolume(float v) { BASS_ChannelSetAttribute(mHandle, BASS_ATTRIB_VOL, v); }
  void SetPan(float v) { BASS_ChannelSetAttribute(mHandle, BASS_ATTRIB_PAN, v); }
  void Slide(int attrib, float value, int timeMs);
  int IsActive() const { return static_cast<int>(BASS_ChannelIsActive(mHandle)); }
  int IsSliding(int attrib) const { return BASS_ChannelIsSliding(mHandle, static_cast<DWORD>(attrib)); }
  // Releases the engine object (and a file stream's memory copy); the record stays, empty.
  void Free();
  void PanSeparation(float level);
  float GetPosition() const;
  float GetLength() const;
  int GetOrderPosition() const;
  int GetOrders() const;
  int GetType() const { return mKind; }
  void SetPosition(float secs);
  float GetLevelL() const;
  float GetLevelR() const;
  std::string GetTitle() const;
  std::string GetStreamInfo() const;
  int GetStreamMetaCount() const;
  void SetStreamMetaCount(int value);

  // -1 while an async stream connects, 0 once it plays (and for every other channel that has a
  // handle), else the engine's error code. Reads the stream's headers and first title when
  // connecting is over.
  int GetConnectResult();

  DWORD Handle() const { return mHandle; }

  struct Shared;  // title, stream info, meta count

 private:
  float Attribute(DWORD attrib) const;
  void SetTitle(std::string title);
  void SetStreamInfo(std::string info);
  void ReadStreamTags();

  DWORD mHandle = 0;
  int mKind = kNothing;
  ZAudioBuffer mFile;  // a file stream's bytes, read by the engine until the stream is freed
  std::shared_ptr<Shared> mShared;
  uintptr_t mSyncKey = 0;  // this channel's entry in the sync table; 0 when none
  bool mConnecting = false;
  std::string mUrl;
};

// The engine's error code in words for the listener ("" for none).
std::string ZBassErrorText(int code);

// Level word of the engine (low 16 bits left, high right; -1 for none) as a float.
float ZLevelFromWord(DWORD level, bool right);

}  // namespace ZTools
