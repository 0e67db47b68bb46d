// The controls' markup types, registered in three groups, each next to its controls:
//   buttons: button, checkbox, menuitem, listbox, animknob, slider;
//   panels:  hscrollbar, vscrollbar, scrollview, pagecontainer, popupcontainer, staticselect;
//   views:   image, statictext, section, tintedimage (colorbox is registered with the panes).
#pragma once

#include <cstdint>

namespace ZTools {

class ZMLParser;

// Each answers 0 or the first registration error.
int32_t RegisterButtonsMarkupTypes(ZMLParser& parser);
int32_t RegisterPanelsMarkupTypes(ZMLParser& parser);
int32_t RegisterViewsMarkupTypes(ZMLParser& parser);

}  // namespace ZTools
