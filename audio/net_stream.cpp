// BASS_StreamCreateURL: internet radio. FFmpeg's http protocol connects (https, redirects,
// ICY metadata stripped out and exported as "icy_metadata_packet"); we look at the first bytes
// to tell audio from playlists and web pages, follow playlists to their first working entry,
// hand HLS to FFmpeg's own demuxer, and otherwise decode the body through a custom input that
// reports each new ICY metadata block. The call returns once the stream is pre-buffered; after
// that only the stream's thread touches the network.
#include <algorithm>
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
  if (av_opt_get(object, name, AV_OPT_SEARCH_CHILDREN, &value) < 0 || !value)
    return "";
  std::string out(reinterpret_cast<char*>(value));
  av_free(value);
  return out;
}

// The body of an HTTP response as the demuxer's input: the bytes already looked at first,
// then the connection. After every read the latest ICY metadata block is compared with the
// last one seen. The HTTP layer keeps that block in a string option of its own, replaced on
// this thread while it reads; the option's field is looked up once, so the comparison after a
// read costs a string compare instead of an option search and a copy.
class HttpIo : public CustomIo {
 public:
  HttpIo(AVIOContext* http, std::string head) : http_(http), head_(std::move(head)) {
    void* owner = nullptr;
    const AVOption* option = av_opt_find2(http_, "icy_metadata_packet", nullptr, 0, AV_OPT_SEARCH_CHILDREN, &owner);
    if (option && owner && option->type == AV_OPT_TYPE_STRING)
      metaField_ = static_cast<char**>(av_opt_ptr(*static_cast<const AVClass**>(owner), owner, "icy_metadata_packet"));
  }
  ~HttpIo() override { avio_closep(&http_); }
  bool open() { return create(false, 4096); }  // small: little read-ahead beyond the ring
  AVIOContext* http() const { return http_; }
  const std::string& lastMeta() const { return lastMeta_; }
  std::function<void(const std::string&)> onMeta;

  void poll() override {
    if (metaField_) {
      const char* meta = *metaField_;
      if (!meta || !*meta || lastMeta_ == meta)
        return;
      lastMeta_ = meta;
    } else {
      std::string meta = avOption(http_, "icy_metadata_packet");
      if (meta.empty() || meta == lastMeta_)
        return;
      lastMeta_ = std::move(meta);
    }
    if (onMeta)
      onMeta(lastMeta_);
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
  char** metaField_ = nullptr;  // the HTTP layer's latest block; null if not found
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
  if (base.empty())
    base = url;
  uint8_t buf[4096];
  while (body.size() < kMaxPlaylistBytes) {
    int n = avio_read(http, buf, sizeof buf);
    if (n <= 0)
      break;
    body.append(reinterpret_cast<char*>(buf), static_cast<size_t>(n));
  }
  avio_closep(&http);
  if (kind == PlaylistKind::Hls)
    return openHls(base, interrupt, timeoutMs, error);
  *error = BASS_ERROR_FILEFORM;  // an empty list
  if (depth >= kMaxPlaylistDepth)
    return Opened{};
  std::vector<std::string> entries = playlistEntries(kind, body, base);
  if (entries.size() > kMaxPlaylistEntries)
    entries.resize(kMaxPlaylistEntries);
  for (const auto& entry : entries) {
    if (interrupt->quit)
      break;
    if (interrupt->giveUpUs && av_gettime_relative() > interrupt->giveUpUs) {
      *error = BASS_ERROR_TIMEOUT;
      break;
    }
    Opened opened = openUrl(entry, depth + 1, interrupt, timeoutMs, error);
    if (opened.decoder)
      return opened;
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
    if (n <= 0)
      break;
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
  if (!fmt)
    return result;
  result.decoder = FfmpegDecoder::create(std::move(fmt), std::move(io), interrupt, error);
  if (result.decoder)
    result.httpIo = rawIo;
  return result;
}

}  // namespace
}  // namespace audio

namespace audio {
namespace {

struct PreparedStream {
  std::unique_ptr<ProducerSource> producer;
  float rate = 0;
  size_t prebuf = 0;
};

// Everything an opened connection needs before it plays: the channel's HTTP and ICY tags, the
// Ogg comments, the ICY title reports, and the producer that decodes into the ring.
PreparedStream prepareStream(Channel& ch, Opened& opened, const Config& config) {
  PreparedStream out;
  std::vector<std::string> httpHeaders;
  if (!opened.mimeType.empty())
    httpHeaders.push_back("Content-Type: " + opened.mimeType);
  httpHeaders.insert(httpHeaders.end(), opened.icyHeaders.begin(), opened.icyHeaders.end());
  if (!httpHeaders.empty())
    ch.tags.set(BASS_TAG_HTTP, tagList(httpHeaders));
  if (!opened.icyHeaders.empty())
    ch.tags.set(BASS_TAG_ICY, tagList(opened.icyHeaders));
  FfmpegDecoder* decoder = opened.decoder.get();
  const int rate = decoder->rate();
  ProducerSource::Options o;
  o.network = true;
  o.ringFrames = static_cast<size_t>(rate) * config.netBufferMs / 1000;
  o.chunkFrames = 1024;
  o.resumeFrames = o.ringFrames * config.netPrebufPercent / 100;
  // With half the buffer ahead the stream reads in bursts a tenth of the buffer apart (at most
  // half a second): the lead never falls below 40 % of the buffer on account of the pauses.
  o.calmFrames = o.ringFrames / 2;
  o.burstPauseMs = std::clamp<uint32_t>(config.netBufferMs / 10, 10, 500);
  out.producer = std::make_unique<ProducerSource>(std::move(opened.decoder), o);
  ProducerSource* producer = out.producer.get();
  if (decoder->formatName() == "ogg") {
    setOggComments(ch, decoder->currentComments());
    reportOggChanges(ch, *decoder, *producer);
  }
  if (opened.httpIo) {
    if (!opened.httpIo->lastMeta().empty())
      ch.tags.schedule(opened.httpIo->lastMeta(), false, 0);
    Channel* target = &ch;  // outlives the stream thread that calls this
    opened.httpIo->onMeta = [target, producer](const std::string& meta) {
      target->tags.schedule(meta, false, producer->producedFrames());
    };
  }
  out.rate = static_cast<float>(rate);
  out.prebuf = std::min(o.resumeFrames, producer->ringCapacity() - o.chunkFrames);
  return out;
}

// Waits until the started producer holds `prebuf` frames, its data ended, the time is up or the
// stream is being freed; BASS_OK when something arrived.
int waitForPrebuffer(const ProducerSource& producer, size_t prebuf, uint32_t timeoutMs, const Interrupt& interrupt) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (producer.buffered() < prebuf && !producer.decoderFinished() && !interrupt.quit &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  if (producer.buffered() > 0)
    return BASS_OK;
  return producer.decoderFinished() ? BASS_ERROR_FILEFORM : BASS_ERROR_TIMEOUT;
}

// A network stream that connects on a thread of its own (BASS_STREAM_CONNECT_ASYNC). Until it
// is connected and pre-buffered it plays nothing and reports "stalled"; a failed connection
// ends it, and BASS_StreamGetConnectResult tells why.
class ConnectingSource : public Source {
 public:
  explicit ConnectingSource(std::string url) : url_(std::move(url)), interrupt_(std::make_shared<Interrupt>()) {}
  ~ConnectingSource() override { shutdown(); }

  // Starts connecting for the channel, which owns this source.
  void begin(Channel* channel) {
    thread_ = std::thread([this, channel] { run(*channel); });
  }
  // -1 while connecting, BASS_OK once connected, else the BASS_ERROR_* code of the failure.
  int result() const { return result_.load(std::memory_order_acquire); }

  int rate() const override { return ready() ? ready()->rate() : 44100; }
  size_t pull(float* dst, size_t n) override { return ready() ? ready()->pull(dst, n) : 0; }
  bool ended() const override { return ready() ? ready()->ended() : result() > 0; }
  bool stalled() const override { return ready() ? ready()->stalled() : result() < 0; }
  bool seekTo(uint64_t) override { return false; }
  uint64_t lengthFrames() const override { return kUnknownLength; }
  void shutdown() override {
    interrupt_->quit = true;
    if (thread_.joinable())
      thread_.join();
    if (producer_)
      producer_->shutdown();
  }

 private:
  ProducerSource* ready() const { return ready_.load(std::memory_order_acquire); }

  void run(Channel& channel) {
    auto& e = engine();
    const uint32_t timeoutMs = e.config.netTimeoutMs;
    interrupt_->giveUpUs = av_gettime_relative() + 2 * static_cast<int64_t>(timeoutMs) * 1000;
    int error = BASS_OK;
    Opened opened = openUrl(url_, 0, interrupt_, timeoutMs, &error);
    if (!opened.decoder) {
      result_.store(error ? error : BASS_ERROR_FILEOPEN, std::memory_order_release);
      return;
    }
    interrupt_->disarm();
    PreparedStream stream = prepareStream(channel, opened, e.config);
    producer_ = std::move(stream.producer);
    producer_->start();
    if (int code = waitForPrebuffer(*producer_, stream.prebuf, timeoutMs, *interrupt_)) {
      result_.store(code, std::memory_order_release);
      return;
    }
    {
      std::lock_guard<std::recursive_mutex> guard(e.lock);
      channel.freq = stream.rate;
    }
    ready_.store(producer_.get(), std::memory_order_release);
    result_.store(BASS_OK, std::memory_order_release);
  }

  std::string url_;
  std::shared_ptr<Interrupt> interrupt_;
  std::unique_ptr<ProducerSource> producer_;  // the connecting thread's until ready_ publishes it
  std::atomic<ProducerSource*> ready_{nullptr};
  std::atomic<int> result_{-1};
  std::thread thread_;
};

HSTREAM connectAsync(const char* url, DWORD flags) {
  auto& e = engine();
  auto source = std::make_unique<ConnectingSource>(url);
  ConnectingSource* connecting = source.get();
  auto ch = makeChannel(Kind::Stream, std::move(source), flags & ~(BASS_SAMPLE_LOOP | BASS_STREAM_CONNECT_ASYNC));
  ch->network = true;
  {
    std::lock_guard<std::recursive_mutex> guard(e.lock);
    if (!e.initialized)
      return fail(BASS_ERROR_INIT), 0;
    addChannel(ch);
  }
  connecting->begin(ch.get());
  setError(BASS_OK);
  return ch->handle;
}

}  // namespace
}  // namespace audio

using namespace audio;

extern "C" {

HSTREAM BASS_StreamCreateURL(const char* url, DWORD, DWORD flags, DOWNLOADPROC*, void*) {
  auto& e = engine();
  {
    std::lock_guard<std::recursive_mutex> guard(e.lock);
    if (!e.initialized)
      return fail(BASS_ERROR_INIT), 0;
  }
  if (!url)
    return fail(BASS_ERROR_FILEOPEN), 0;
  if (flags & BASS_STREAM_CONNECT_ASYNC)
    return connectAsync(url, flags);
  const uint32_t timeoutMs = e.config.netTimeoutMs;
  auto interrupt = std::make_shared<Interrupt>();
  interrupt->giveUpUs = av_gettime_relative() + 2 * static_cast<int64_t>(timeoutMs) * 1000;
  int error = BASS_OK;
  Opened opened = openUrl(url, 0, interrupt, timeoutMs, &error);
  if (!opened.decoder)
    return fail(error ? error : BASS_ERROR_FILEOPEN), 0;
  interrupt->disarm();  // from now on a silent server stalls the stream instead of failing it

  auto ch = makeChannel(Kind::Stream, nullptr, flags & ~BASS_SAMPLE_LOOP);
  ch->network = true;
  PreparedStream stream = prepareStream(*ch, opened, e.config);
  ProducerSource* producer = stream.producer.get();
  ch->freq = stream.rate;
  ch->source = std::move(stream.producer);
  {
    std::lock_guard<std::recursive_mutex> guard(e.lock);
    if (!e.initialized)
      return fail(BASS_ERROR_INIT), 0;
    addChannel(ch);
  }
  producer->start();
  if (int code = waitForPrebuffer(*producer, stream.prebuf, timeoutMs, *interrupt)) {
    freeChannel(ch->handle, Kind::Stream);
    return fail(code), 0;
  }
  setError(BASS_OK);
  return ch->handle;
}

int BASS_StreamGetConnectResult(HSTREAM handle) {
  auto& e = engine();
  std::lock_guard<std::recursive_mutex> guard(e.lock);
  Channel* ch = findChannel(handle);
  if (!ch || ch->kind != Kind::Stream)
    return fail(BASS_ERROR_HANDLE), BASS_ERROR_HANDLE;
  setError(BASS_OK);
  auto* connecting = dynamic_cast<ConnectingSource*>(ch->source.get());
  return connecting ? connecting->result() : BASS_OK;
}

}  // extern "C"
