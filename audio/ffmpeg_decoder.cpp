// FFmpeg demuxing, decoding and conversion to stereo float; memory and file inputs.
#include "audio/ffmpeg_decoder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libavutil/time.h>
#include <libswresample/swresample.h>
}

#include "audio/bass.h"

namespace audio {

void Interrupt::arm(uint32_t ms) {
  timedOut = false;
  deadlineUs = av_gettime_relative() + static_cast<int64_t>(ms) * 1000;
}

int interruptCallback(void* opaque) {
  auto* in = static_cast<Interrupt*>(opaque);
  if (in->quit.load())
    return 1;
  int64_t deadline = in->deadlineUs.load();
  if (deadline != 0 && av_gettime_relative() > deadline) {
    in->timedOut = true;
    return 1;
  }
  return 0;
}

int bassErrorFromAv(int err, const Interrupt* interrupt) {
  if (interrupt && interrupt->timedOut.load())
    return BASS_ERROR_TIMEOUT;
  if (err == AVERROR(ETIMEDOUT))
    return BASS_ERROR_TIMEOUT;
  if (err == AVERROR_INVALIDDATA || err == AVERROR_STREAM_NOT_FOUND || err == AVERROR_DEMUXER_NOT_FOUND)
    return BASS_ERROR_FILEFORM;
  if (err == AVERROR_DECODER_NOT_FOUND)
    return BASS_ERROR_CODEC;
  if (err == AVERROR(ENOMEM))
    return BASS_ERROR_MEM;
  return BASS_ERROR_FILEOPEN;  // refused, unreachable, HTTP errors, missing files
}

// ---- custom input ----

CustomIo::~CustomIo() {
  if (avio_) {
    av_freep(&avio_->buffer);
    avio_context_free(&avio_);
  }
}

bool CustomIo::create(bool seekable, int bufferSize) {
  auto* buffer = static_cast<unsigned char*>(av_malloc(static_cast<size_t>(bufferSize)));
  if (!buffer)
    return false;
  avio_ = avio_alloc_context(buffer, bufferSize, 0, this, &CustomIo::readThunk, nullptr,
                             seekable ? &CustomIo::seekThunk : nullptr);
  if (!avio_) {
    av_free(buffer);
    return false;
  }
  if (!seekable)
    avio_->seekable = 0;
  return true;
}

int CustomIo::readThunk(void* opaque, uint8_t* buf, int size) {
  auto* self = static_cast<CustomIo*>(opaque);
  int n = self->read(buf, size);
  self->poll();
  return n;
}

int64_t CustomIo::seekThunk(void* opaque, int64_t offset, int whence) {
  return static_cast<CustomIo*>(opaque)->seek(offset, whence);
}

namespace {

class MemoryIo : public CustomIo {
 public:
  MemoryIo(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool open() { return create(true); }

 protected:
  int read(uint8_t* buf, int size) override {
    if (pos_ >= size_)
      return AVERROR_EOF;
    size_t n = std::min(static_cast<size_t>(size), size_ - pos_);
    std::memcpy(buf, data_ + pos_, n);
    pos_ += n;
    return static_cast<int>(n);
  }
  int64_t seek(int64_t offset, int whence) override {
    if (whence & AVSEEK_SIZE)
      return static_cast<int64_t>(size_);
    int64_t base = 0;
    switch (whence & ~AVSEEK_FORCE) {
      case SEEK_SET: base = 0; break;
      case SEEK_CUR: base = static_cast<int64_t>(pos_); break;
      case SEEK_END: base = static_cast<int64_t>(size_); break;
      default: return -1;
    }
    int64_t target = base + offset;
    if (target < 0 || target > static_cast<int64_t>(size_))
      return -1;
    pos_ = static_cast<size_t>(target);
    return target;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace

void FormatCloser::operator()(AVFormatContext* fmt) const { avformat_close_input(&fmt); }

// ---- decoder ----

FfmpegDecoder::~FfmpegDecoder() {
  swr_free(&swr_);
  avcodec_free_context(&codec_);
  av_packet_free(&packet_);
  av_frame_free(&frame_);
  fmt_.reset();  // before io_: the demuxer may still read while closing
  io_.reset();   // before interrupt_: closing a TLS connection checks the interrupt callback
}

std::unique_ptr<FfmpegDecoder> FfmpegDecoder::create(FormatHandle fmt, std::unique_ptr<CustomIo> io,
                                                     std::shared_ptr<Interrupt> interrupt, int* error) {
  std::unique_ptr<FfmpegDecoder> d(new FfmpegDecoder());
  d->interrupt_ = std::move(interrupt);
  d->io_ = std::move(io);
  d->fmt_ = std::move(fmt);
  AVFormatContext* f = d->fmt_.get();

  int best = av_find_best_stream(f, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  bool complete =
      best >= 0 && f->streams[best]->codecpar->sample_rate > 0 && f->streams[best]->codecpar->ch_layout.nb_channels > 0;
  if (!complete) {
    int r = avformat_find_stream_info(f, nullptr);
    if (r < 0) {
      *error = bassErrorFromAv(r, d->interrupt_.get());
      return nullptr;
    }
    best = av_find_best_stream(f, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  }
  if (best < 0) {
    *error = best == AVERROR_DECODER_NOT_FOUND ? BASS_ERROR_CODEC : BASS_ERROR_FILEFORM;
    return nullptr;
  }
  d->stream_ = best;
  AVStream* st = f->streams[best];
  for (unsigned i = 0; i < f->nb_streams; ++i)
    if (static_cast<int>(i) != best)
      f->streams[i]->discard = AVDISCARD_ALL;

  const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
  if (!codec) {
    *error = BASS_ERROR_CODEC;
    return nullptr;
  }
  d->codec_ = avcodec_alloc_context3(codec);
  d->packet_ = av_packet_alloc();
  d->frame_ = av_frame_alloc();
  if (!d->codec_ || !d->packet_ || !d->frame_) {
    *error = BASS_ERROR_MEM;
    return nullptr;
  }
  if (avcodec_parameters_to_context(d->codec_, st->codecpar) < 0 || avcodec_open2(d->codec_, codec, nullptr) < 0) {
    *error = BASS_ERROR_CODEC;
    return nullptr;
  }
  d->rate_ = d->codec_->sample_rate > 0 ? d->codec_->sample_rate : 44100;
  if (d->rate_ < 1000 || d->rate_ > 384000) {
    *error = BASS_ERROR_FORMAT;
    return nullptr;
  }
  if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
    d->length_ = static_cast<uint64_t>(av_rescale_q(st->duration, st->time_base, AVRational{1, d->rate_}));
  else if (f->duration != AV_NOPTS_VALUE && f->duration > 0)
    d->length_ = static_cast<uint64_t>(av_rescale(f->duration, d->rate_, AV_TIME_BASE));
  d->seekable_ = f->pb && (f->pb->seekable & AVIO_SEEKABLE_NORMAL) && d->length_ != kUnknownLength;
  st->event_flags &= ~AVSTREAM_EVENT_FLAG_METADATA_UPDATED;
  f->event_flags &= ~AVFMT_EVENT_FLAG_METADATA_UPDATED;
  d->lastComments_ = d->comments();
  if (d->formatName() == "ogg") {  // see checkMetadataUpdate
    av_dict_free(&st->metadata);
    av_dict_free(&f->metadata);
  }
  return d;
}

void FfmpegDecoder::interrupt() {
  if (interrupt_)
    interrupt_->quit = true;
}

std::vector<std::string> FfmpegDecoder::comments() const {
  std::vector<std::string> out;
  const AVFormatContext* f = fmt_.get();
  for (const AVDictionary* dict : {f->metadata, f->streams[stream_]->metadata}) {
    const AVDictionaryEntry* e = nullptr;
    while ((e = av_dict_get(dict, "", e, AV_DICT_IGNORE_SUFFIX)))
      out.push_back(std::string(e->key) + "=" + e->value);
  }
  return out;
}

std::string FfmpegDecoder::formatName() const { return fmt_->iformat ? fmt_->iformat->name : ""; }

size_t FfmpegDecoder::decode(float* dst, size_t max) {
  size_t written = 0;
  while (written < max) {
    if (pendingPos_ < pendingFrames_) {
      size_t n = std::min(max - written, pendingFrames_ - pendingPos_);
      std::memcpy(dst + written * 2, pending_.data() + pendingPos_ * 2, n * 2 * sizeof(float));
      pendingPos_ += n;
      written += n;
      continue;
    }
    if (!nextFrames())
      break;
  }
  return written;
}

void FfmpegDecoder::checkMetadataUpdate() {
  AVFormatContext* f = fmt_.get();
  AVStream* st = f->streams[stream_];
  bool updated =
      (st->event_flags & AVSTREAM_EVENT_FLAG_METADATA_UPDATED) || (f->event_flags & AVFMT_EVENT_FLAG_METADATA_UPDATED);
  size_t size = 0;
  const uint8_t* side = av_packet_get_side_data(packet_, AV_PKT_DATA_METADATA_UPDATE, &size);
  std::vector<std::string> list;
  if (side && size > 0) {
    AVDictionary* dict = nullptr;
    if (av_packet_unpack_dictionary(side, size, &dict) >= 0) {
      const AVDictionaryEntry* e = nullptr;
      while ((e = av_dict_get(dict, "", e, AV_DICT_IGNORE_SUFFIX)))
        list.push_back(std::string(e->key) + "=" + e->value);
    }
    av_dict_free(&dict);
  } else if (updated) {
    list = comments();
  }
  if (updated) {
    // Some parsers (Opus) append a new chain's comments to the old values ("a;b"); starting
    // from empty dictionaries keeps each update to the new list alone.
    av_dict_free(&st->metadata);
    av_dict_free(&f->metadata);
  }
  st->event_flags &= ~AVSTREAM_EVENT_FLAG_METADATA_UPDATED;
  f->event_flags &= ~AVFMT_EVENT_FLAG_METADATA_UPDATED;
  if (!(side || updated) || list == lastComments_)
    return;  // the first packet repeats the headers
  lastComments_ = list;
  if (onComments)
    onComments(std::move(list));
}

// Fills pending_ with the next decoded frames; false at the end of the data.
bool FfmpegDecoder::nextFrames() {
  pendingFrames_ = pendingPos_ = 0;
  while (!drained_) {
    int r = avcodec_receive_frame(codec_, frame_);
    if (r == 0) {
      failures_ = 0;
      bool ok = convert();
      av_frame_unref(frame_);
      if (ok && pendingFrames_ > 0)
        return true;
      continue;
    }
    if (r == AVERROR_EOF) {
      drained_ = true;
      break;
    }
    if (r != AVERROR(EAGAIN)) {
      // Damaged data: skip it, unless the decoder keeps failing (then it is the end).
      if (++failures_ > 200) {
        drained_ = true;
        break;
      }
      continue;
    }
    if (inputDone_) {
      drained_ = true;
      break;
    }
    r = av_read_frame(fmt_.get(), packet_);
    if (r < 0) {
      if (r == AVERROR(EAGAIN))
        continue;
      inputDone_ = true;
      avcodec_send_packet(codec_, nullptr);
      continue;
    }
    if (packet_->stream_index == stream_) {
      checkMetadataUpdate();
      if (avcodec_send_packet(codec_, packet_) < 0 && ++failures_ > 200) {  // a damaged packet is skipped
        av_packet_unref(packet_);
        drained_ = true;
        break;
      }
    }
    av_packet_unref(packet_);
  }
  // Whatever the resampler still holds.
  if (swr_) {
    int out = swr_get_out_samples(swr_, 0);
    if (out > 0) {
      pending_.resize(static_cast<size_t>(out) * 2);
      uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(pending_.data())};
      int n = swr_convert(swr_, outPlanes, out, nullptr, 0);
      if (n > 0) {
        pendingFrames_ = static_cast<size_t>(n);
        return true;
      }
    }
  }
  return false;
}

bool FfmpegDecoder::convert() {
  AVChannelLayout inLayout;
  if (frame_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame_->ch_layout.nb_channels <= 0)
    av_channel_layout_default(&inLayout, std::max(frame_->ch_layout.nb_channels, 1));
  else if (av_channel_layout_copy(&inLayout, &frame_->ch_layout) < 0)
    return false;
  uint64_t mask = inLayout.order == AV_CHANNEL_ORDER_NATIVE ? inLayout.u.mask : 0;
  if (!swr_ || frame_->format != swrFormat_ || frame_->sample_rate != swrRate_ ||
      inLayout.nb_channels != swrChannels_ || mask != swrMask_) {
    swr_free(&swr_);
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    if (swr_alloc_set_opts2(&swr_, &stereo, AV_SAMPLE_FMT_FLT, rate_, &inLayout,
                            static_cast<AVSampleFormat>(frame_->format), frame_->sample_rate, 0, nullptr) < 0) {
      av_channel_layout_uninit(&inLayout);
      return false;
    }
    if (inLayout.nb_channels == 1) {
      const double both[2] = {1.0, 1.0};  // mono at full level on both sides
      swr_set_matrix(swr_, both, 1);
    }
    if (swr_init(swr_) < 0) {
      swr_free(&swr_);
      av_channel_layout_uninit(&inLayout);
      return false;
    }
    swrFormat_ = frame_->format;
    swrRate_ = frame_->sample_rate;
    swrChannels_ = inLayout.nb_channels;
    swrMask_ = mask;
  }
  av_channel_layout_uninit(&inLayout);
  int out = swr_get_out_samples(swr_, frame_->nb_samples);
  if (out <= 0)
    return false;
  if (pending_.size() < static_cast<size_t>(out) * 2)
    pending_.resize(static_cast<size_t>(out) * 2);
  uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(pending_.data())};
  int n = swr_convert(swr_, outPlanes, out, const_cast<const uint8_t**>(frame_->extended_data), frame_->nb_samples);
  if (n <= 0)
    return false;
  pendingFrames_ = static_cast<size_t>(n);
  pendingPos_ = 0;
  if (skipUntil_ >= 0) {  // first frames after a seek: start exactly at the target
    AVStream* st = fmt_->streams[stream_];
    int64_t ts = frame_->best_effort_timestamp;
    if (ts != AV_NOPTS_VALUE) {
      if (st->start_time != AV_NOPTS_VALUE)
        ts -= st->start_time;
      int64_t at = av_rescale_q(ts, st->time_base, AVRational{1, rate_});
      int64_t drop = skipUntil_ - at;
      if (drop >= static_cast<int64_t>(pendingFrames_)) {  // keep skipping
        pendingFrames_ = 0;
        return true;
      }
      if (drop > 0)
        pendingPos_ = static_cast<size_t>(drop);
    }
    skipUntil_ = -1;
  }
  return true;
}

bool FfmpegDecoder::seek(uint64_t frame) {
  AVStream* st = fmt_->streams[stream_];
  int64_t ts = av_rescale_q(static_cast<int64_t>(frame), AVRational{1, rate_}, st->time_base);
  if (st->start_time != AV_NOPTS_VALUE)
    ts += st->start_time;
  if (av_seek_frame(fmt_.get(), stream_, ts, AVSEEK_FLAG_BACKWARD) < 0 &&
      avformat_seek_file(fmt_.get(), stream_, INT64_MIN, ts, ts, 0) < 0)
    return false;
  avcodec_flush_buffers(codec_);
  swr_free(&swr_);
  swrFormat_ = -1;
  inputDone_ = drained_ = false;
  pendingFrames_ = pendingPos_ = 0;
  skipUntil_ = static_cast<int64_t>(frame);
  return true;
}

// ---- inputs ----

FormatHandle openCustomInput(CustomIo* io, Interrupt* interrupt, int* error) {
  AVFormatContext* raw = avformat_alloc_context();
  if (!raw) {
    *error = BASS_ERROR_MEM;
    return nullptr;
  }
  raw->pb = io->context();
  raw->flags |= AVFMT_FLAG_CUSTOM_IO;
  raw->format_probesize = 32768;  // a live stream of unknown data must not be read for long
  raw->probesize = 65536;
  raw->max_analyze_duration = 500000;
  if (interrupt) {
    raw->interrupt_callback = AVIOInterruptCB{&interruptCallback, interrupt};
    // A live stream never seeks: without a cap the demuxer's seek index grows by an entry per
    // frame until FFmpeg's 1 MiB default, a megabyte per station for nothing.
    raw->max_index_size = 16 * 1024;
  }
  int r = avformat_open_input(&raw, nullptr, nullptr, nullptr);
  if (r < 0) {
    *error = r == AVERROR(ENOMEM)                             ? BASS_ERROR_MEM
             : (interrupt && interrupt->timedOut.load())      ? BASS_ERROR_TIMEOUT
             : (r == AVERROR_INVALIDDATA || r == AVERROR_EOF) ? BASS_ERROR_FILEFORM
                                                              : bassErrorFromAv(r, interrupt);
    return nullptr;  // avformat_open_input freed the context
  }
  return FormatHandle(raw);
}

std::unique_ptr<FfmpegDecoder> openMemoryDecoder(const uint8_t* data, size_t size, int* error) {
  if (!data || size == 0) {
    *error = BASS_ERROR_FILEFORM;
    return nullptr;
  }
  auto io = std::make_unique<MemoryIo>(data, size);
  if (!io->open()) {
    *error = BASS_ERROR_MEM;
    return nullptr;
  }
  FormatHandle fmt = openCustomInput(io.get(), nullptr, error);
  if (!fmt)
    return nullptr;
  return FfmpegDecoder::create(std::move(fmt), std::move(io), nullptr, error);
}

std::unique_ptr<FfmpegDecoder> openFileDecoder(const char* path, int* error) {
  AVFormatContext* raw = nullptr;
  AVDictionary* opts = nullptr;
  av_dict_set(&opts, "protocol_whitelist", "file", 0);
  std::string url = std::string("file:") + path;
  int r = avformat_open_input(&raw, url.c_str(), nullptr, &opts);
  av_dict_free(&opts);
  if (r < 0) {
    *error = r == AVERROR(ENOENT) || r == AVERROR(EACCES) || r == AVERROR(EISDIR) ? BASS_ERROR_FILEOPEN
                                                                                  : BASS_ERROR_FILEFORM;
    return nullptr;
  }
  return FfmpegDecoder::create(FormatHandle(raw), nullptr, nullptr, error);
}

}  // namespace audio
