// The markup objects `bitmap` (ZMLBitmap) and `icon` (ZMLIcon): a ZBitmap and a ZIcon that the
// markup host builds and configures through its events. A bitmap knows the icons cut from it
// and detaches them when it goes, so neither order of destruction leaves a dangling pointer.
// The markup host is reached through its abstract interface (ZMLParser).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "ztools/zbitmap.h"
#include "ztools/base/zevent.h"
#include "ztools/zicon.h"

namespace ZTools {

class ZMLParser;
class ZMLIcon;

inline constexpr const char* kZMLBitmapDeclaration =
    "interface_zmlbitmap::bitmap mode='normal'? file? id? size? fill? hitthreshold? ()";
inline constexpr const char* kZMLIconDeclaration =
    "interface_zmlicon::icon bitmap size source='0,0'? hover? pressed? selected? hoverpressed? hoverselected? "
    "hovergamma? ()";

class ZMLBitmap : public ZBitmap, public IEventListener {
 public:
  ZMLBitmap() = default;
  ~ZMLBitmap() override;

  int32_t OnEvent(ZEvent* event) override;
  // One markup property: 0, kZErrUnknownProperty, kZErrIllegalPropertyValue (bad value) or the
  // loading codes.
  int32_t SetProperty(std::string_view name, std::string_view value);
  // The mode that `file`, `id` and `size` use (0 `normal`, 1 `extended`).
  int32_t LoadMode() const { return loadMode_; }

 private:
  friend class ZMLIcon;
  int32_t loadMode_ = kBitmapModeScreen;
  std::vector<ZMLIcon*> icons_;  // icons cut from this bitmap
};

class ZMLIcon : public ZIcon, public IEventListener {
 public:
  ZMLIcon() = default;
  ~ZMLIcon() override;

  int32_t OnEvent(ZEvent* event) override;
  // One markup property; `bitmap` is looked up by reference name through `host`
  // (kZErrIllegalObjectType when it is not a bitmap).
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host);
  // Uses this bitmap (null: none); keeps the bitmap's list of icons up to date.
  void AttachBitmap(ZMLBitmap* bitmap);

  // hovergamma g, limited to 0.5..2.0, as the gamma amount trunc(127.5 / g + 0.5).
  static int32_t HoverGammaAmount(double g);

 private:
  ZMLBitmap* markupBitmap_ = nullptr;
  ZMLParser* host_ = nullptr;
};

// Registers `bitmap` and `icon` with a markup host. 0 or the first registration error.
int32_t RegisterBitmapMarkupTypes(ZMLParser& parser);

}  // namespace ZTools
