// Tag texts of streams and the metadata events that go with them.
#pragma once

#include <string>
#include <vector>

#include "audio/engine.h"

namespace audio {

// The ICY header lines of a response as FFmpeg collects them ("icy-name: x\n..."): one text per
// line, trailing carriage returns and blanks removed, empty lines left out.
std::vector<std::string> headerLines(const std::string& text);

// An Ogg comment list: becomes both the OGG tag and the META tag (a list of "KEY=value" texts).
void setOggComments(Channel& ch, const std::vector<std::string>& comments);
// Hooks a decoder's new comment lists (chained Ogg) to the channel: the tags change, with a
// META event, when playback reaches the new part.
class FfmpegDecoder;
class ProducerSource;
void reportOggChanges(Channel& ch, FfmpegDecoder& decoder, const ProducerSource& producer);

}  // namespace audio
