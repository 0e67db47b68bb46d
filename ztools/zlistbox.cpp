// ListBox: properties, the item list and the rows built from it. Rows are owned here; they are
// deleted (and so let go of parameter 1) before any parameter they are bound to goes away.
#include "ztools/zlistbox.h"

#include <algorithm>

#include "zml/zmlevent.h"
#include "ztools/zcontrolprops.h"
#include "ztools/zmarkupvalues.h"

namespace ZTools {

ListBox::~ListBox() { DropRows(); }

void ListBox::DropRows() {
  rows_.clear();  // each row leaves the child list and its parameter as it is destroyed
  shown_ = 0;
}

int32_t ListBox::OnEvent(ZEvent* event) {
  if (event &&
      (event->Id() == kZMLEventDestroy ||
       (event->Id() == kZMLEventDependeeDestroy &&
        GetParameterIndex(dynamic_cast<ZParameter*>(static_cast<ZMLEventDependeeDestroy*>(event)->Dependee())) >= 0)))
    DropRows();
  return ZControl::OnEvent(event);
}

int32_t ListBox::SetProperty(std::string_view name, std::string_view value, ZMLParser* host) {
  static constexpr ZPropertyRow<ListBox> kProperties[] = {
      {"font",
       [](ListBox& l, std::string_view v) {
         const int32_t index = FontIndexFromWord(v);
         if (index < 0)
           return index;
         l.look_.font = index;
         return 0;
       }},
      {"textcolor",
       [](ListBox& l, std::string_view v) {
         return ParseColor(v, l.look_.text);
       }},
      {"backcolor",
       [](ListBox& l, std::string_view v) {
         return ParseColor(v, l.look_.back);
       }},
      {"hovertextcolor",
       [](ListBox& l, std::string_view v) {
         return ParseColor(v, l.look_.hoverText);
       }},
      {"hoverbackcolor",
       [](ListBox& l, std::string_view v) {
         return ParseColor(v, l.look_.hoverBack);
       }},
      {"itemheight",
       [](ListBox& l, std::string_view v) {
         int32_t h;
         if (!ParseInt(v, h) || h < 1 || h > kMaxPaneCoordinate)
           return kZErrIllegalPropertyValue;
         l.itemHeight_ = h;
         return 0;
       }},
  };
  const int32_t rc = SetFromTable<ListBox>(kProperties, *this, name, value);
  return rc == kZErrUnknownProperty ? ZControl::SetProperty(name, value, host) : rc;
}

size_t ListBox::MaxRows() const noexcept { return size_t(kMaxPaneCoordinate / itemHeight_); }

void ListBox::SplitItems() {
  items_.clear();
  const ZString text = GetString(0);
  std::string_view rest = text.View();
  if (rest.empty())
    return;
  while (items_.size() < MaxRows()) {
    const size_t comma = rest.find(',');
    items_.emplace_back(rest.substr(0, comma));
    if (comma == std::string_view::npos)
      break;
    rest.remove_prefix(comma + 1);
  }
}

int32_t ListBox::Open() {
  const int32_t rc = ZControl::Open();  // parameter 0, when bound, builds the rows
  if (!GetParameter(0))
    BuildRows();
  return rc;
}

void ListBox::ParameterChanged(ZParameter* parameter) {
  if (GetParameterIndex(parameter) == 0) {
    SplitItems();
    if (IsOpen())
      BuildRows();
    return;
  }
  PostRedraw();
}

void ListBox::BuildRows() {
  PostRedraw();  // the area the old rows covered
  const size_t count = items_.size();
  for (size_t i = 0; i < count; ++i) {
    if (i == rows_.size()) {
      auto row = std::make_unique<MenuItem>();
      row->SetFlags(kListBoxRowFlags);
      row->SetAutoAlign(kAlignHResizeAbs);  // keeps the list box's width when it is resized
      row->AttachManager(Manager());
      row->SetValueToSet(double(i));
      if (ZParameter* choice = GetParameter(1))
        row->AddParameter(choice);
      if (AddChild(row.get()) != 0)
        break;
      rows_.push_back(std::move(row));
    }
    MenuItem& row = *rows_[i];
    row.SetLook(look_);
    row.SetText(items_[i].View());
    row.SetPosition(0, int32_t(i) * itemHeight_);
    row.SetSize(Width(), itemHeight_);
    row.SetVisible(true);
    if (!row.IsOpen())
      row.Open();
  }
  shown_ = std::min(count, rows_.size());
  for (size_t i = shown_; i < rows_.size(); ++i) {
    if (rows_[i]->IsOpen())
      rows_[i]->Close();
    rows_[i]->SetVisible(false);
  }
  SetSize(Width(), int32_t(shown_) * itemHeight_);
  PostRedraw();
}

}  // namespace ZTools
