// Tracker modules through libopenmpt: BASS_MusicLoad/MusicFree. The module renders on the
// music's own thread into a short ring (about 0.1 s, so order/row queries and pan separation
// follow playback closely); loop, ramping, length, order positions, name and message tags.
#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <vector>

#include "audio/engine.h"
#include "audio/producer_source.h"

namespace audio {
namespace {

class ModuleDecoder : public Decoder {
 public:
  // Keeps its own copy of the file: callers may release theirs right after BASS_MusicLoad.
  ModuleDecoder(openmpt_module* mod, int rate, std::vector<char> file)
      : mod_(mod), rate_(rate), file_(std::move(file)) {}
  ~ModuleDecoder() override { openmpt_module_destroy(mod_); }
  int rate() const override { return rate_; }
  size_t decode(float* dst, size_t max) override {
    return openmpt_module_read_interleaved_float_stereo(mod_, rate_, max, dst);
  }
  bool seek(uint64_t frame) override {
    openmpt_module_set_position_seconds(mod_, static_cast<double>(frame) / rate_);
    return true;
  }
  bool canSeek() const override { return true; }
  uint64_t lengthFrames() const override {
    double d = openmpt_module_get_duration_seconds(mod_);
    return d > 0 ? static_cast<uint64_t>(std::llround(d * rate_)) : 0;
  }
  openmpt_module* module() { return mod_; }
  uint32_t positionTag() override {
    return static_cast<uint32_t>(openmpt_module_get_current_order(mod_) & 0xffff) |
           (static_cast<uint32_t>(openmpt_module_get_current_row(mod_) & 0xffff) << 16);
  }

 private:
  openmpt_module* mod_;
  int rate_;
  std::vector<char> file_;
};

std::string metadata(openmpt_module* mod, const char* key) {
  const char* text = openmpt_module_get_metadata(mod, key);
  std::string out = text ? text : "";
  openmpt_free_string(text);
  return out;
}

}  // namespace
}  // namespace audio

using namespace audio;

extern "C" {

HMUSIC BASS_MusicLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD flags, DWORD freq) {
  auto& e = engine();
  int rate;
  {
    std::lock_guard<std::recursive_mutex> guard(e.lock);
    if (!e.initialized)
      return fail(BASS_ERROR_INIT), 0;
    rate = freq >= 8000 && freq <= 192000 ? static_cast<int>(freq) : static_cast<int>(e.outputRate);
  }
  if (!file)
    return fail(BASS_ERROR_FILEOPEN), 0;
  std::vector<char> bytes;
  if (mem) {
    const char* data = static_cast<const char*>(file) + offset;
    bytes.assign(data, data + length);
  } else {
    std::ifstream in(static_cast<const char*>(file), std::ios::binary);
    if (!in)
      return fail(BASS_ERROR_FILEOPEN), 0;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (bytes.empty())
    return fail(BASS_ERROR_FILEFORM), 0;
  int error = 0;
  openmpt_module* mod =
      openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr,
                                         openmpt_error_func_ignore, nullptr, &error, nullptr, nullptr);
  if (!mod)
    return fail(BASS_ERROR_FILEFORM), 0;
  openmpt_module_set_repeat_count(mod, flags & BASS_SAMPLE_LOOP ? -1 : 0);
  openmpt_module_ctl_set_boolean(mod, "seek.sync_samples", 1);  // a jump keeps held notes sounding
  openmpt_module_set_render_param(mod, OPENMPT_MODULE_RENDER_VOLUMERAMPING_STRENGTH,
                                  flags & (BASS_MUSIC_RAMP | BASS_MUSIC_RAMPS) ? -1 : 0);
  std::string name = metadata(mod, "title");
  std::string message = metadata(mod, "message_raw");

  auto decoder = std::make_unique<ModuleDecoder>(mod, rate, std::move(bytes));
  ProducerSource::Options o;
  o.ringFrames = 4096;
  o.chunkFrames = 512;  // the resolution of order/row positions
  auto source = std::make_unique<ProducerSource>(std::move(decoder), o);
  ProducerSource* producer = source.get();
  auto ch = makeChannel(Kind::Music, std::move(source), flags);
  ch->tags.set(BASS_TAG_MUSIC_NAME, name + '\0');
  ch->tags.set(BASS_TAG_MUSIC_MESSAGE, message + '\0');
  auto module = [](Decoder& d) {
    return static_cast<ModuleDecoder&>(d).module();
  };
  ch->musicOrderPosition = [producer](uint64_t position) {
    return producer->positionTagAt(position);
  };
  ch->musicOrderCount = [producer, module] {
    return producer->withDecoder(
        [&](Decoder& d) { return static_cast<uint32_t>(openmpt_module_get_num_orders(module(d))); });
  };
  ch->musicSeekOrder = [producer, module, rate](uint32_t order, uint32_t row, uint64_t* frame) {
    return producer->withDecoder([&](Decoder& d) {
      openmpt_module* m = module(d);
      if (static_cast<int32_t>(order) >= openmpt_module_get_num_orders(m))
        return false;
      double secs = openmpt_module_set_position_order_row(m, static_cast<int32_t>(order), static_cast<int32_t>(row));
      *frame = static_cast<uint64_t>(std::llround(std::max(secs, 0.0) * rate));
      return true;
    });
  };
  ch->musicSetPanSeparation = [producer, module](float level) {
    producer->withDecoder([&](Decoder& d) {
      openmpt_module_set_render_param(module(d), OPENMPT_MODULE_RENDER_STEREOSEPARATION_PERCENT,
                                      static_cast<int32_t>(std::lround(level * 2)));
      return 0;
    });
  };
  HMUSIC handle;
  {
    std::lock_guard<std::recursive_mutex> guard(e.lock);
    if (!e.initialized)
      return fail(BASS_ERROR_INIT), 0;
    addChannel(ch);
    handle = ch->handle;
  }
  producer->start();
  setError(BASS_OK);
  return handle;
}

BOOL BASS_MusicFree(HMUSIC handle) { return freeChannel(handle, Kind::Music); }

}  // extern "C"
