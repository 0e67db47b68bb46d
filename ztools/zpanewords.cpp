// The word tables of zpanewords.h, made from its lists.
#include "ztools/zpanewords.h"

#include <iterator>

#include "ztools/zdrawcontext.h"

namespace ZTools {
namespace {

#define ZPANE_WORD_ROW(word, constant, value) {#word, value},
constexpr ZWord kFlagWords[] = {ZPANE_FLAG_LIST(ZPANE_WORD_ROW)};
constexpr ZWord kAlignWords[] = {ZPANE_ALIGN_LIST(ZPANE_WORD_ROW)};
#undef ZPANE_WORD_ROW

constexpr ZWord kFrameStyleWords[] = {
    {"plain", k3DRectPlain},
    {"normal", k3DRectNormal},
    {"raised", k3DRectRaised},
    {"sunken", k3DRectSunken},
    {"brighten", k3DRectBrighten},
    {"darken", k3DRectDarken},
    {"largeedge", k3DRectLargeEdge},
    {"mediumedge", k3DRectMediumEdge},
    {"smalledge", k3DRectSmallEdge},
    {"outline", k3DRectOutline},
    {"topleftonly", k3DRectTopLeftOnly},
    {"bottomrightonly", k3DRectBottomRightOnly},
    {"strongestshading", k3DRectStrongestShading},
    {"strongshading", k3DRectStrongShading},
    {"mediumshading", k3DRectMediumShading},
    {"softshading", k3DRectSoftShading},
};

constexpr ZWord kTextAlignWords[] = {
    {"left", kTextAlignLeft},
    {"center", kTextAlignCenter},
    {"right", kTextAlignRight},
    {"top", kTextAlignTop},
    {"vcenter", kTextAlignVCenter},
    {"bottom", kTextAlignBottom},
    {"singleline", kTextAlignSingleLine},
    {"wordbreak", kTextAlignWordBreak},
};

struct EventName {
  uint32_t id;
  const char* name;
};
#define ZPANE_EVENT_ROW(name, id) {id, #name},
constexpr EventName kEventNames[] = {ZPANE_EVENT_LIST(ZPANE_EVENT_ROW)};
#undef ZPANE_EVENT_ROW

}  // namespace

std::span<const ZWord> PaneFlagWords() { return kFlagWords; }
std::span<const ZWord> PaneAlignWords() { return kAlignWords; }
std::span<const ZWord> FrameStyleWords() { return kFrameStyleWords; }
std::span<const ZWord> TextAlignWords() { return kTextAlignWords; }

const char* PaneEventName(uint32_t id) {
  for (const EventName& e : kEventNames)
    if (e.id == id)
      return e.name;
  return nullptr;
}

}  // namespace ZTools
