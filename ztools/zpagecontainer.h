// PageContainer (`pagecontainer`): one or more child panes, the pages, of which one is shown at a
// time. Parameter 0 picks the page: page = floor(normalised * (pages - 1) + 0.5), so with three
// pages page 1 shows from 0.25 up to but not including 0.75. Without a parameter the first page
// shows. Pages are not opened with the container; it opens the chosen page itself, and closes
// and hides the others, so a page that is not shown neither draws nor takes the mouse.
#pragma once

#include <cstdint>

#include "ztools/zcontrol.h"

namespace ZTools {

inline constexpr const char* kPageContainerDeclaration =
    "interface_zpane::pagecontainer flags? align? size? pos? parameter? ( interface_zpane+ )";

class PageContainer : public ZControl {
 public:
  const char* Declaration() const override { return kPageContainerDeclaration; }
  int32_t OnFinish() override;
  int32_t Open() override;
  void ParameterChanged(ZParameter* parameter) override;

  // The page parameter 0 asks for (0 without a parameter).
  size_t ChosenPage() const;
  // The page shown, or null before the container first opened.
  ZView* CurrentPage() const noexcept { return current_; }
  // Shows page `index` (limited to the pages there are) and hides every other one.
  void ShowPage(size_t index);
  bool RemoveChild(ZView* child) override;

 private:
  ZView* current_ = nullptr;
};

}  // namespace ZTools
