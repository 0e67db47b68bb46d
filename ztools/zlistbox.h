// ListBox (`listbox`): a column of clickable MenuItem rows made from the text of parameter 0;
// clicking row i sets parameter 1 to i. The rows belong to the list box, not to the markup.
#pragma once

#include <memory>
#include <vector>

#include "ztools/zcontrol.h"
#include "ztools/zmenuitem.h"

namespace ZTools {

inline constexpr const char* kListBoxDeclaration =
    "interface_zpane::listbox flags? align? size? pos? parameter? tip? font? textcolor? backcolor? hovertextcolor? "
    "hoverbackcolor? itemheight? ()";

// The flags of a row: wantdraw, wantclick, wanthover, candrawchildren, canclipchildren.
inline constexpr uint32_t kListBoxRowFlags = 0x3013;
inline constexpr int32_t kListBoxDefaultItemHeight = 15;

// Parameter 0 holds the items as one text separated by "," (not trimmed; an empty text is no
// items); each row is bound to parameter 1 with its index as the value to set, so the current
// row is highlighted. Parameter 2 is accepted and only redraws. The rows are (re)built when the
// list box opens and whenever parameter 0 changes while it is open: existing rows are reused,
// more are made as needed, rows beyond the list's length are closed and hidden (so nothing can
// click them), and the list box takes the height of its rows.
class ListBox : public ZControl {
 public:
  ListBox() = default;
  ~ListBox() override;

  size_t MaxParameters() const override { return 3; }
  int32_t OnEvent(ZEvent* event) override;
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override;
  const char* Declaration() const override { return kListBoxDeclaration; }
  int32_t Open() override;
  void ParameterChanged(ZParameter* parameter) override;

  const std::vector<ZString>& Items() const noexcept { return items_; }
  // Rows made so far (shown or not), and how many of them show an item.
  size_t RowCount() const noexcept { return rows_.size(); }
  size_t ShownRows() const noexcept { return shown_; }
  MenuItem* Row(size_t index) const { return index < rows_.size() ? rows_[index].get() : nullptr; }
  // At most this many rows fit in the pane coordinate range at the item height.
  size_t MaxRows() const noexcept;

 private:
  void SplitItems();
  void BuildRows();
  // Deletes the rows (they unbind from parameter 1 as they go).
  void DropRows();

  MenuItemLook look_;
  int32_t itemHeight_ = kListBoxDefaultItemHeight;
  std::vector<ZString> items_;
  std::vector<std::unique_ptr<MenuItem>> rows_;
  size_t shown_ = 0;
};

}  // namespace ZTools
