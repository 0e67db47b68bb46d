// BASS_StreamCreateURL: internet radio. FFmpeg's http protocol connects (https, redirects,
// ICY metadata stripped out and exported as "icy_metadata_packet"); we look at the first bytes
// to tell audio from playlists and web pages, follow playlists to their first working entry,
// hand HLS to FFmpeg's own demuxer, and otherwise decode the body through a custom input that
// reports each new ICY metadata block. The call returns once the stream is pre-buffered; after
// that only the stream's thread touches the network.
#include <chrono>
#include <cstring>
#include <thread>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libavutil/time.h>
}

#include "audio/engine.h"
#include "audio/ffmpeg_decoder.h"
#include "audio/playlist_parse.h"
#include "audio/producer_source.h"
#include "audio/stream_tags.h"

namespace audio {
namespace {

constexpr int kMaxPlaylistDepth = 3;
constexpr size_t kMaxPlaylistEntries = 10;
constexpr size_t kMaxPlaylistBytes = 256 * 1024;
constexpr const char* kProtocols = "http,https,tcp,tls,crypto";

std::string avOption(void* object, const char* name) {
  uint8_t* value = nullptr;
  if (av_opt_get(object, name, AV_OPT_SEARCH_CHILDREN, &value) < 0 || !value) return "";
  std::string out(reinterpret_cast<char*>(value));
  av_free(value);
  return out;
}

// The body of an HTTP response as the demuxer's input: the bytes already looked at first,
// then the connection. After every read the latest ICY metadata block is compared with the
// last one seen.
class HttpIo : public CustomIo {
 public:
  HttpIo(AVIOContext* http, std::string head) : http_(http), head_(std::move(head)) {}
  ~HttpIo() override { avio_closep(&http_); }
  bool open() { return create(false, 4096); }  // small: little read-ahead beyond the ring
  AVIOContext* http() const { return http_; }
  const std::string& lastMeta() const { return lastMeta_; }
  std::function<void(const std::string&)> onMeta;

  void poll() override {
    std::string meta = avOption(http_, "icy_metadata_packet");
    if (meta.empty() || meta == lastMeta_) return;
    lastMeta_ = meta;
    if (onMeta) onMeta(meta);
  }

 protected:
  int read(uint8_t* buf, int size) override {
    if (headPos_ < head_.size()) {
      int n = static_cast<int>(std::min(head_.size() - headPos_, static_cast<size_t>(size)));
      std::memcpy(buf, head_.data() + headPos_, static_cast<size_t>(n));
      headPos_ += static_cast<size_t>(n);
      return n;
    }
    int n = avio_read_partial(http_, buf, size);
    return n == 0 ? AVERROR_EOF : n;
  }

 private:
  AVIOContext* http_;
  std::string head_;
  size_t headPos_ = 0;
  std::string lastMeta_;
};

struct Opened {
  std::unique_ptr<FfmpegDecoder> decoder;
  HttpIo* httpIo = nullptr;  // owned by the decoder; null for HLS
  std::vector<std::string> icyHeaders;
  std::string mimeType;
};

Opened openUrl(const std::string& url, int depth, const std::shared_ptr<Interrupt>& interrupt, uint32_t timeoutMs,
               int* error);

Opened openHls(const std::string& url, const std::shared_ptr<Interrupt>& interrupt, uint32_t timeoutMs, int* error) {
  Opened result;
  AVFormatContext* raw = avformat_alloc_context();
  if (!raw) {
    *error = BASS_ERROR_MEM;
    return result;
  }
  raw->interrupt_callback = AVIOInterruptCB{&interruptCallback, interrupt.get()};
  AVDictionary* opts = nullptr;
  av_dict_set(&opts, "protocol_whitelist", kProtocols, 0);
  interrupt->arm(timeoutMs);
  int r = avformat_open_input(&raw, url.c_str(), av_find_input_format("hls"), &opts);
  av_dict_free(&opts);
  if (r < 0) {
    *error = bassErrorFromAv(r, interrupt.get());
    return result;
  }
  result.decoder = FfmpegDecoder::create(FormatHandle(raw), nullptr, interrupt, error);
  return result;
}

Opened openPlaylist(AVIOContext* http, std::string body, PlaylistKind kind, const std::string& url, int depth,
                    const std::shared_ptr<Interrupt>& interrupt, uint32_t timeoutMs, int* error) {
  std::string base = avOption(http, "location");
  if (base.empty()) base = url;
  uint8_t buf[4096];
  while (body.size() < kMaxPlaylistBytes) {
    int n = avio_read(http, buf, sizeof buf);
    if (n <= 0) break;
    body.append(reinterpret_cast<char*>(buf), static_cast<size_t>(n));
  }
  avio_closep(&http);
  if (kind == PlaylistKind::Hls) return openHls(base, interrupt, timeoutMs, error);
  *error = BASS_ERROR_FILEFORM;  // an empty list
  if (depth >= kMaxPlaylistDepth) return Opened{};
  std::vector<std::string> entries = playlistEntries(kind, body, base);
  if (entries.size() > kMaxPlaylistEntries) entries.resize(kMaxPlaylistEntries);
  for (const auto& entry : entries) {
    if (interrupt->quit) break;
    if (interrupt->giveUpUs && av_gettime_relative() > interrupt->giveUpUs) {
      *error = BASS_ERROR_TIMEOUT;
      break;
    }
    Opened opened = openUrl(entry, depth + 1, interrupt, timeoutMs, error);
    if (opened.decoder) return opened;
  }
  return Opened{};
}

Opened openUrl(const std::string& url, int depth, const std::shared_ptr<Interrupt>& interrupt, uint32_t timeoutMs,
               int* error) {
  Opened result;
  if (!isHttpUrl(url)) {
    *error = BASS_ERROR_FILEOPEN;
    return result;
  }
  AVDictionary* opts = nullptr;
  av_dict_set(&opts, "protocol_whitelist", kProtocols, 0);
  av_dict_set(&opts, "icy", "1", 0);
  av_dict_set(&opts, "user_agent", "Sonabel/0.1", 0);
  av_dict_set(&opts, "seekable", "0", 0);
  AVIOInterruptCB cb{&interruptCallback, interrupt.get()};
  AVIOContext* http = nullptr;
  interrupt->arm(timeoutMs);
  int r = avio_open2(&http, url.c_str(), AVIO_FLAG_READ, &cb, &opts);
  av_dict_free(&opts);
  if (r < 0) {
    *error = bassErrorFromAv(r, interrupt.get());
    return result;
  }
  // Enough of the body to tell what it is.
  std::string head;
  uint8_t buf[4096];
  while (head.size() < 256) {
    int n = avio_read_partial(http, buf, sizeof buf);
    if (n <= 0) break;
    head.append(reinterpret_cast<char*>(buf), static_cast<size_t>(n));
  }
  if (head.empty()) {
    *error = interrupt->timedOut ? BASS_ERROR_TIMEOUT : BASS_ERROR_FILEFORM;
    avio_closep(&http);
    return result;
  }
  result.mimeType = avOption(http, "mime_type");
  PlaylistKind kind = detectPlaylist(result.mimeType, head);
  if (kind != PlaylistKind::None)
    return openPlaylist(http, std::move(head), kind, url, depth, interrupt, timeoutMs, error);
  if (looksLikeMarkup(result.mimeType, head)) {
    *error = BASS_ERROR_FILEFORM;
    avio_closep(&http);
    return result;
  }
  result.icyHeaders = headerLines(avOption(http, "icy_metadata_headers"));
  auto io = std::make_unique<HttpIo>(http, std::move(head));
  if (!io->open()) {
    *error = BASS_ERROR_MEM;
    return result;
  }
  HttpIo* rawIo = io.get();
  FormatHandle fmt = openCustomInput(rawIo, interrupt.get(), error);
  if (!fmt) return result;
  result.decoder = FfmpegDecoder::create(std::move(fmt), std::move(io), interrupt, error);
  if (result.decoder) result.httpIo = rawIo;
  return result;
}

}  // namespace
}  // namespace audio

using namespace audio;

extern "C" {

HSTREAM BASS_StreamCreateURL(const char* url, DWORD, DWORD flags, DOWNLOADPROC*, void*) {
  auto& e = engine();
  {
    std::lock_guard<std::recursive_mutex> guard(e.lock);
    if (!e.initialized) return fail(BASS_ERROR_INIT), 0;
  }
  if (!url) return fail(BASS_ERROR_FILEOPEN), 0;
  const uint32_t timeoutMs = e.config.netTimeoutMs;
  auto interrupt = std::make_shared<Interrupt>();
  interrupt->giveUpUs = av_gettime_relative() + 2 * static_cast<int64_t>(timeoutMs) * 1000;
  int error = BASS_OK;
  Opened opened = openUrl(url, 0, interrupt, timeoutMs, &error);
  if (!opened.decoder) return fail(error ? error : BASS_ERROR_FILEOPEN), 0;
  interrupt->disarm();  // from now on a silent server stalls the stream instead of failing it

  auto ch = makeChannel(Kind::Stream, nullptr, flags & ~BASS_SAMPLE_LOOP);
  ch->network = true;
  std::vector<std::string> httpHeaders;
  if (!opened.mimeType.empty()) httpHeaders.push_back("Content-Type: " + opened.mimeType);
  httpHeaders.insert(httpHeaders.end(), opened.icyHeaders.begin(), opened.icyHeaders.end());
  if (!httpHeaders.empty()) ch->tags.set(BASS_TAG_HTTP, tagList(httpHeaders));
  if (!opened.icyHeaders.empty()) ch->tags.set(BASS_TAG_ICY, tagList(opened.icyHeaders));
  FfmpegDecoder* decoder = opened.decoder.get();
  int rate = decoder->rate();
  ProducerSource::Options o;
  o.network = true;
  o.ringFrames = static_cast<size_t>(rate) * e.config.netBufferMs / 1000;
  o.chunkFrames = 1024;
  size_t prebuf = o.ringFrames * e.config.netPrebufPercent / 100;
  o.resumeFrames = prebuf;
  auto source = std::make_unique<ProducerSource>(std::move(opened.decoder), o);
  ProducerSource* producer = source.get();
  if (decoder->formatName() == "ogg") {
    setOggComments(*ch, decoder->currentComments());
    reportOggChanges(*ch, *decoder, *producer);
  }
  if (opened.httpIo) {
    if (!opened.httpIo->lastMeta().empty()) ch->tags.schedule(opened.httpIo->lastMeta(), false, 0);
    Channel* target = ch.get();  // outlives the stream thread that calls this
    opened.httpIo->onMeta = [target, producer](const std::string& meta) {
      target->tags.schedule(meta, false, producer->producedFrames());
    };
  }
  ch->freq = static_cast<float>(rate);
  ch->source = std::move(source);
  prebuf = std::min(prebuf, producer->ringCapacity() - o.chunkFrames);
  {
    std::lock_guard<std::recursive_mutex> guard(e.lock);
    if (!e.initialized) return fail(BASS_ERROR_INIT), 0;
    addChannel(ch);
  }
  producer->start();

  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (producer->buffered() < prebuf && !producer->decoderFinished() &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  if (producer->buffered() == 0) {
    int code = producer->decoderFinished() ? BASS_ERROR_FILEFORM : BASS_ERROR_TIMEOUT;
    freeChannel(ch->handle, Kind::Stream);
    return fail(code), 0;
  }
  setError(BASS_OK);
  return ch->handle;
}

}  // extern "C"
