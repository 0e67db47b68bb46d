// Tag texts of streams and the metadata events that go with them.
#include "audio/stream_tags.h"

#include "audio/ffmpeg_decoder.h"
#include "audio/producer_source.h"

namespace audio {

std::vector<std::string> headerLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    std::string line = text.substr(start, end - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
      line.pop_back();
    if (!line.empty())
      lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

void setOggComments(Channel& ch, const std::vector<std::string>& comments) {
  std::string list = tagList(comments);
  ch.tags.set(BASS_TAG_OGG, list);
  ch.tags.set(BASS_TAG_META, list);
}

void reportOggChanges(Channel& ch, FfmpegDecoder& decoder, const ProducerSource& producer) {
  // The channel outlives its decoder's thread (the source is stopped before it is destroyed).
  Channel* target = &ch;
  const ProducerSource* source = &producer;
  decoder.onComments = [target, source](std::vector<std::string> comments) {
    target->tags.schedule(tagList(comments), true, source->producedFrames());
  };
}

}  // namespace audio
