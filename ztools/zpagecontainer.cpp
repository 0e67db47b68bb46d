// PageContainer: choosing, opening and hiding pages.
#include "ztools/zpagecontainer.h"

#include <algorithm>
#include <cmath>

namespace ZTools {

int32_t PageContainer::OnFinish() {
  // The container decides which page is open; pages keep their place in the z-order.
  for (ZView* page : Children()) {
    page->SetFlags(page->GetFlags() & ~(kWantAutoOpen | kCanZMove));
    page->SetVisible(false);
  }
  return ZControl::OnFinish();
}

int32_t PageContainer::Open() {
  const int32_t rc = ZControl::Open();  // shows the chosen page through ParameterChanged
  if (ParameterCount() == 0)
    ShowPage(0);
  return rc;
}

void PageContainer::ParameterChanged(ZParameter* parameter) {
  if (GetParameterIndex(parameter) == 0)
    ShowPage(ChosenPage());
}

size_t PageContainer::ChosenPage() const {
  const size_t pages = ChildCount();
  if (pages < 2)
    return 0;
  double n = GetNormalized(0);
  n = std::isfinite(n) ? std::clamp(n, 0.0, 1.0) : 0.0;
  return size_t(std::floor(n * double(pages - 1) + 0.5));
}

void PageContainer::ShowPage(size_t index) {
  const size_t pages = ChildCount();
  if (pages == 0)
    return;
  ZView* page = ChildAt(std::min(index, pages - 1));
  for (ZView* other : Children()) {
    if (other == page)
      continue;
    if (other->IsOpen())
      other->Close();
    other->SetVisible(false);
  }
  current_ = page;
  if (IsOpen() && !page->IsOpen())
    page->Open();
  page->SetVisible(true);
  PostRedraw();
}

bool PageContainer::RemoveChild(ZView* child) {
  if (child == current_)
    current_ = nullptr;
  return ZControl::RemoveChild(child);
}

}  // namespace ZTools
