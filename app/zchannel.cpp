// The channel record of the audio classes: creation from files, addresses and modules, the
// metadata sync, the engine calls of the script methods, and freeing.
#include "app/zchannel.h"

#include <atomic>
#include <mutex>
#include <unordered_map>

#include "app/stream_text.h"
#include "app/zbass.h"

namespace ZTools {

struct ZChannel::Shared {
  mutable std::mutex lock;  // guards the two texts; held for a tag read and a swap
  std::string title;
  std::string streamInfo;
  std::atomic<int> metaCount{0};
};

namespace {

// Channels with a metadata sync, by key. The sync's user value is the key, so the sync never
// touches a channel record: a channel being freed removes its entry first, and a sync that
// fires late then finds nothing.
class SyncTable {
 public:
  uintptr_t Add(std::shared_ptr<ZChannel::Shared> shared) {
    std::lock_guard<std::mutex> guard(mLock);
    uintptr_t key = ++mNextKey;
    mEntries.emplace(key, std::move(shared));
    return key;
  }
  void Remove(uintptr_t key) {
    std::shared_ptr<ZChannel::Shared> gone;  // released outside the lock
    std::lock_guard<std::mutex> guard(mLock);
    auto it = mEntries.find(key);
    if (it == mEntries.end())
      return;
    gone = std::move(it->second);
    mEntries.erase(it);
  }
  std::shared_ptr<ZChannel::Shared> Find(uintptr_t key) {
    std::lock_guard<std::mutex> guard(mLock);
    auto it = mEntries.find(key);
    return it == mEntries.end() ? nullptr : it->second;
  }

 private:
  std::mutex mLock;
  uintptr_t mNextKey = 0;
  std::unordered_map<uintptr_t, std::shared_ptr<ZChannel::Shared>> mEntries;
};

SyncTable& Syncs() {
  static SyncTable table;
  return table;
}

// Reads the channel's META tag (an ICY text, or for Ogg streams the comment list, taken from
// the OGG tag whose extent is known) and applies it to the title. With the lock held.
void ApplyMetadata(DWORD handle, ZChannel::Shared& s, const char* fallback) {
  const char* meta = BASS_ChannelGetTags(handle, BASS_TAG_META);
  std::string_view view = meta ? std::string_view(meta) : std::string_view(fallback ? fallback : "");
  if (meta && view.find("StreamTitle='") == std::string_view::npos) {
    if (const char* ogg = BASS_ChannelGetTags(handle, BASS_TAG_OGG))
      view = ZTagListView(ogg);
  }
  std::string title;
  if (ZTitleFromMetadata(view, title))
    s.title = ZToUtf8(title);
}

void CALLBACK MetaSync(HSYNC, DWORD channel, DWORD, void* user) {
  std::shared_ptr<ZChannel::Shared> s = Syncs().Find(reinterpret_cast<uintptr_t>(user));
  if (!s)
    return;
  {
    std::lock_guard<std::mutex> guard(s->lock);
    ApplyMetadata(channel, *s, nullptr);
  }
  s->metaCount.fetch_add(1, std::memory_order_release);
}

}  // namespace

float ZLevelFromWord(DWORD level, bool right) {
  if (level == 0xFFFFFFFFu)
    return 0.0f;
  DWORD word = right ? level >> 16 : level & 0xFFFF;
  return static_cast<float>(word) * (1.0f / 32768.0f);
}

ZChannel::ZChannel() : mShared(std::make_shared<Shared>()) {}

ZChannel::~ZChannel() { Free(); }

void ZChannel::SetTitle(std::string title) {
  std::lock_guard<std::mutex> guard(mShared->lock);
  mShared->title = std::move(title);
}

void ZChannel::SetStreamInfo(std::string info) {
  std::lock_guard<std::mutex> guard(mShared->lock);
  mShared->streamInfo = std::move(info);
}

ZILError ZChannel::StreamCreateFile(const ZAudioHost& host, const char* name, int loop) {
  Free();
  ZAudioBuffer file;
  if (ZILError e = ZLoadAudioFile(host, name, file))
    return e;
  mHandle = BASS_StreamCreateFile(TRUE, file.Data(), 0, file.Size(), ZBass::CreationFlags(loop));
  if (!mHandle)
    return 0;  // the buffer goes with `file`
  mKind = kStream;
  mFile = std::move(file);
  SetTitle(ZToUtf8(ZTitleFromFileName(name)));
  return 0;
}

void ZChannel::StreamCreateURL(const char* url, bool async) {
  Free();
  if (!url)
    url = "";
  const DWORD flags = (ZBass::CreationFlags(0) & BASS_SAMPLE_FLOAT) | (async ? BASS_STREAM_CONNECT_ASYNC : 0);
  mHandle = BASS_StreamCreateURL(url, 0, flags, nullptr, nullptr);
  if (!mHandle)
    return;
  mKind = kStream;
  // The sync goes on before the first read of the tag, so no change falls between the two.
  mSyncKey = Syncs().Add(mShared);
  BASS_ChannelSetSync(mHandle, BASS_SYNC_META, 0, MetaSync, reinterpret_cast<void*>(mSyncKey));
  mConnecting = async;
  mUrl = url;
  if (!async)
    ReadStreamTags();
}

void ZChannel::ReadStreamTags() {
  const char* headers = BASS_ChannelGetTags(mHandle, BASS_TAG_ICY);
  if (!headers)
    headers = BASS_ChannelGetTags(mHandle, BASS_TAG_HTTP);
  SetStreamInfo(ZToUtf8(ZStreamInfoFromList(headers)));
  std::lock_guard<std::mutex> guard(mShared->lock);
  ApplyMetadata(mHandle, *mShared, mUrl.c_str());
}

int ZChannel::GetConnectResult() {
  if (mKind != kStream)
    return mKind == kNothing ? BASS_ERROR_HANDLE : BASS_OK;
  const int result = BASS_StreamGetConnectResult(mHandle);
  if (mConnecting && result != -1) {
    // Connected (or not): the headers and the first title are there to read now, once.
    mConnecting = false;
    if (result == BASS_OK)
      ReadStreamTags();
  }
  return result;
}

std::string ZBassErrorText(int code) {
  switch (code) {
    case BASS_OK: return "";
    case BASS_ERROR_MEM: return "Out of memory";
    case BASS_ERROR_FILEOPEN: return "The station could not be reached or refused the stream";
    case BASS_ERROR_DRIVER: return "No sound device can be used";
    case BASS_ERROR_HANDLE: return "Nothing is playing";
    case BASS_ERROR_FORMAT: return "The sound device cannot play this format";
    case BASS_ERROR_INIT: return "Sound output is not started";
    case BASS_ERROR_START: return "Sound output could not be started";
    case BASS_ERROR_NOTAVAIL: return "The audio engine is not available";
    case BASS_ERROR_TIMEOUT: return "The station did not answer in time";
    case BASS_ERROR_FILEFORM: return "The station sent nothing the player can play";
    case BASS_ERROR_CODEC: return "The station's sound format is not supported";
    case BASS_ERROR_ENDED: return "The stream has ended";
    default: return "Playing failed (error " + std::to_string(code) + ")";
  }
}

ZILError ZChannel::MusicLoad(const ZAudioHost& host, const char* name, int loop) {
  Free();
  ZAudioBuffer file;
  if (ZILError e = ZLoadAudioFile(host, name, file))
    return e;
  DWORD flags = ZBass::CreationFlags(loop) | BASS_MUSIC_RAMPS | BASS_MUSIC_PRESCAN;
  mHandle = BASS_MusicLoad(TRUE, file.Data(), 0, static_cast<DWORD>(file.Size()), flags, 0);
  file.Release();
  if (!mHandle)
    return 0;
  mKind = kMusic;
  const char* title = BASS_ChannelGetTags(mHandle, BASS_TAG_MUSIC_NAME);
  SetTitle(ZToUtf8(ZTitleFromFileName(title ? title : "")));
  const char* message = BASS_ChannelGetTags(mHandle, BASS_TAG_MUSIC_MESSAGE);
  SetStreamInfo(ZToUtf8(message ? message : ""));
  return 0;
}

void ZChannel::SetSampleVoice(HCHANNEL voice) {
  Free();
  mHandle = voice;
  mKind = kSampleVoice;
}

void ZChannel::Free() {
  if (mSyncKey) {
    Syncs().Remove(mSyncKey);
    mSyncKey = 0;
  }
  if (mKind == kStream) {
    BASS_StreamFree(mHandle);
    mFile.Release();  // only now: the engine reads it until the stream is gone
  } else if (mKind == kMusic) {
    BASS_MusicFree(mHandle);
  }
  mHandle = 0;
  mKind = kNothing;
  // A sync that was already running keeps the old block; this record starts empty.
  mShared = std::make_shared<Shared>();
}

float ZChannel::Attribute(DWORD attrib) const {
  float value = 0.0f;  // the engine leaves it untouched on failure
  BASS_ChannelGetAttribute(mHandle, attrib, &value);
  return value;
}

void ZChannel::Slide(int attrib, float value, int timeMs) {
  BASS_ChannelSlideAttribute(mHandle, static_cast<DWORD>(attrib), value, static_cast<DWORD>(timeMs));
}

void ZChannel::PanSeparation(float level) {
  if (mKind == kMusic)
    BASS_ChannelSetAttribute(mHandle, BASS_ATTRIB_MUSIC_PANSEP, level);
}

float ZChannel::GetPosition() const {
  return static_cast<float>(BASS_ChannelBytes2Seconds(mHandle, BASS_ChannelGetPosition(mHandle, BASS_POS_BYTE)));
}

float ZChannel::GetLength() const {
  return static_cast<float>(BASS_ChannelBytes2Seconds(mHandle, BASS_ChannelGetLength(mHandle, BASS_POS_BYTE)));
}

int ZChannel::GetOrderPosition() const {
  if (mKind != kMusic)
    return 0;
  return static_cast<int>(BASS_ChannelGetPosition(mHandle, BASS_POS_MUSIC_ORDER) & 0xFFFF);
}

int ZChannel::GetOrders() const {
  if (mKind != kMusic)
    return 0;
  return static_cast<int>(static_cast<uint32_t>(BASS_ChannelGetLength(mHandle, BASS_POS_MUSIC_ORDER)));
}

void ZChannel::SetPosition(float secs) {
  BASS_ChannelSetPosition(mHandle, BASS_ChannelSeconds2Bytes(mHandle, secs), BASS_POS_BYTE);
}

float ZChannel::GetLevelL() const { return ZLevelFromWord(BASS_ChannelGetLevel(mHandle), false); }
float ZChannel::GetLevelR() const { return ZLevelFromWord(BASS_ChannelGetLevel(mHandle), true); }

std::string ZChannel::GetTitle() const {
  std::lock_guard<std::mutex> guard(mShared->lock);
  return mShared->title;
}

std::string ZChannel::GetStreamInfo() const {
  std::lock_guard<std::mutex> guard(mShared->lock);
  return mShared->streamInfo;
}

int ZChannel::GetStreamMetaCount() const { return mShared->metaCount.load(std::memory_order_acquire); }

void ZChannel::SetStreamMetaCount(int value) { mShared->metaCount.store(value, std::memory_order_relaxed); }

}  // namespace ZTools
