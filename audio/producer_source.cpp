// The stream thread of a ProducerSource and the mixer-side reads of its ring.
#include "audio/producer_source.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace audio {

ProducerSource::ProducerSource(std::unique_ptr<Decoder> decoder, const Options& options)
    : decoder_(std::move(decoder)),
      options_(options),
      rate_(decoder_->rate()),
      length_(decoder_->lengthFrames()),
      canSeek_(decoder_->canSeek()),
      ring_(options.ringFrames) {
  options_.chunkFrames = std::min(options_.chunkFrames, ring_.capacity() / 2);
  options_.resumeFrames = std::min(options_.resumeFrames, ring_.capacity());
}

ProducerSource::~ProducerSource() { shutdown(); }

void ProducerSource::start() {
  thread_ = std::thread([this] { run(); });
}

void ProducerSource::shutdown() {
  {
    std::lock_guard<std::mutex> guard(wakeLock_);
    quit_ = true;
  }
  decoder_->interrupt();
  wake_.notify_all();
  if (thread_.joinable())
    thread_.join();
}

size_t ProducerSource::pull(float* dst, size_t n) {
  if (seekPending())
    return 0;
  if (options_.network && stalled_.load(std::memory_order_relaxed)) {
    if (ring_.available() < std::max<size_t>(options_.resumeFrames, 1) && !eof_.load())
      return 0;
    stalled_.store(false, std::memory_order_relaxed);
  }
  size_t got = ring_.read(dst, n);
  if (options_.network) {
    if (got < n && ring_.available() == 0 && !eof_.load())
      stalled_.store(true, std::memory_order_relaxed);
    else if (got > 0 && !consumed_.load(std::memory_order_relaxed))
      consumed_.store(true, std::memory_order_relaxed);
  }
  return got;
}

bool ProducerSource::ended() const {
  return eof_.load(std::memory_order_acquire) && !seekPending() && ring_.available() == 0;
}

bool ProducerSource::seekTo(uint64_t frame) {
  if (!canSeek_)
    return false;
  seekTarget_.store(frame);
  {
    // Under the thread's lock, so that a thread between its check and its wait cannot miss
    // the request and sleep on (a network stream sleeps up to half a second).
    std::lock_guard<std::mutex> guard(wakeLock_);
    seekRequested_.fetch_add(1, std::memory_order_acq_rel);
  }
  wake_.notify_all();
  return true;
}

uint32_t ProducerSource::positionTagAt(uint64_t frame) {
  {
    std::lock_guard<std::mutex> guard(markerLock_);
    for (size_t i = markerCount_; i-- > 0;) {
      const Marker& m = markers_[(markerHead_ + i) % kMarkers];
      if (m.frame <= frame)
        return m.tag;
    }
  }
  std::lock_guard<std::mutex> guard(decodeLock_);
  return decoder_->positionTag();
}

// A network stream that plays and is well ahead can leave the data in the connection for a
// while. Not while pre-buffering or stalled: nothing drains the ring then, so the pause would
// only keep the stream from reaching the level at which it (re)starts.
bool ProducerSource::calm() const {
  return options_.calmFrames > 0 && consumed_.load(std::memory_order_relaxed) &&
         !stalled_.load(std::memory_order_relaxed) && ring_.available() >= options_.calmFrames;
}

void ProducerSource::run() {
  std::vector<float> chunk(options_.chunkFrames * 2);
  bool emptyPass = false;  // a loop pass that produced nothing: stop instead of spinning
  const auto idle = std::chrono::milliseconds(
      std::clamp<long>(static_cast<long>(options_.chunkFrames * 1000 / std::max(rate_, 1)), 5, 50));
  // A network stream sleeps longer: while it is full or calm the ring holds far more than this.
  const auto pause = options_.network && options_.burstPauseMs > 0 ? std::chrono::milliseconds(options_.burstPauseMs)
                                                                   : std::chrono::milliseconds(idle);
  while (!quit_.load()) {
    uint64_t request = seekRequested_.load(std::memory_order_acquire);
    if (request != seekDone_.load(std::memory_order_acquire)) {
      {
        std::lock_guard<std::mutex> guard(decodeLock_);
        ring_.reset();
        decoder_->seek(seekTarget_.load());
        produced_ = seekTarget_.load();
      }
      {
        std::lock_guard<std::mutex> guard(markerLock_);
        markerCount_ = 0;
      }
      eof_ = false;
      emptyPass = false;
      seekDone_.store(request, std::memory_order_release);
      continue;
    }
    const bool full = ring_.space() < options_.chunkFrames;
    if (eof_.load() || full || (options_.network && calm())) {
      // Sleep about as long as the mixer needs to make room for one chunk; a network stream
      // pauses its reading (the connection holds what arrives meanwhile) and then catches up
      // chunk after chunk until it is calm again.
      std::unique_lock<std::mutex> guard(wakeLock_);
      wake_.wait_for(guard, options_.network ? pause : idle, [this] { return quit_.load() || seekPending(); });
      continue;
    }
    size_t got;
    uint32_t tag;
    {
      std::lock_guard<std::mutex> guard(decodeLock_);
      tag = decoder_->positionTag();
      got = decoder_->decode(chunk.data(), options_.chunkFrames);
    }
    if (got > 0) {
      std::lock_guard<std::mutex> guard(markerLock_);
      markers_[(markerHead_ + markerCount_) % kMarkers] = Marker{produced_.load(), tag};
      if (markerCount_ < kMarkers)
        ++markerCount_;
      else
        markerHead_ = (markerHead_ + 1) % kMarkers;
    }
    if (got > 0) {
      ring_.write(chunk.data(), got);
      produced_ += got;
      emptyPass = false;
      continue;
    }
    if (options_.loop && canSeek_ && !emptyPass && !quit_.load()) {
      std::lock_guard<std::mutex> guard(decodeLock_);
      decoder_->seek(0);
      emptyPass = true;
      continue;
    }
    eof_.store(true, std::memory_order_release);
  }
}

}  // namespace audio
