// Tag texts of streams and the metadata events that go with them.
#include "audio/stream_tags.h"

#include "audio/ffmpeg_decoder.h"

namespace audio {

void setOggComments(Channel& ch, const std::vector<std::string>& comments) {
  std::string list = tagList(comments);
  ch.tags.set(BASS_TAG_OGG, list);
  ch.tags.set(BASS_TAG_META, list);
}

void reportOggChanges(Channel& ch, FfmpegDecoder& decoder) {
  // The channel outlives its decoder's thread (the source is stopped before it is destroyed).
  Channel* target = &ch;
  decoder.onComments = [target](std::vector<std::string> comments) {
    setOggComments(*target, comments);
    engine().syncs.post(target->handle, BASS_SYNC_META, 0);
  };
}

}  // namespace audio
