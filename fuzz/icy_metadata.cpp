// libFuzzer target for what a radio server's answer puts into the stream's texts. The HTTP and
// ICY response headers are parsed by FFmpeg's http protocol, which hands out the ICY header
// lines as one text and each metadata block as another; this target covers what our code does
// with those texts. An input is fields separated by zero bytes: the header text, the metadata
// block, then the comments of an Ogg stream. The fields go through the engine's tag store and
// the player's title and server-information readers, as they do for a playing stream; the raw
// input is also read as a metadata list (which may lack its last terminator) and as text.
// fuzz-links: sonabel_audio
// fuzz-sources: app/stream_text.cpp
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/stream_text.h"
#include "audio/engine.h"
#include "audio/stream_tags.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace audio;
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> fields;
  for (std::string_view rest = raw;;) {
    size_t end = rest.find('\0');
    fields.emplace_back(rest.substr(0, end));
    if (end == std::string_view::npos)
      break;
    rest.remove_prefix(end + 1);
  }
  std::string title;
  (void)ZTools::ZTitleFromMetadata(raw, title);
  (void)ZTools::ZToUtf8(raw);

  TagStore tags;
  tags.set(BASS_TAG_ICY, tagList(headerLines(fields[0])));
  (void)ZTools::ZToUtf8(ZTools::ZStreamInfoFromList(tags.get(BASS_TAG_ICY)));

  if (fields.size() > 1) {
    tags.schedule(fields[1], false, 0);
    const char* meta = tags.get(BASS_TAG_META);
    if (!meta)
      std::abort();  // the first block applies at once
    if (ZTools::ZTitleFromMetadata(meta, title))
      (void)ZTools::ZToUtf8(title);
  }
  if (fields.size() > 2) {
    std::vector<std::string> comments(fields.begin() + 2, fields.end());
    tags.schedule(tagList(comments), true, 10);
    if (tags.applyDue(10) != 1)
      std::abort();  // the list waits behind the first block
    std::string_view list = ZTools::ZTagListView(tags.get(BASS_TAG_OGG));
    if (ZTools::ZTitleFromMetadata(list, title))
      (void)ZTools::ZToUtf8(title);
  }
  return 0;
}
