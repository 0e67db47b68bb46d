// Registration of the buttons controls' markup types (see zcontroltypes.h): button, checkbox,
// menuitem, listbox, animknob and slider. A slider's handle and a list box's rows are made by
// their owners, not by markup, so they have no tag.
#include "ztools/zcontroltypes.h"

#include "zml/zmlparser.h"
#include "ztools/zanimknob.h"
#include "ztools/zbitmapslider.h"
#include "ztools/zbutton.h"
#include "ztools/zcheckbox.h"
#include "ztools/zlistbox.h"
#include "ztools/zmenuitem.h"

namespace ZTools {
namespace {

template <typename... T>
int32_t Register(ZMLParser& parser) {
  int32_t rc = 0;
  ((rc = rc ? rc : parser.RegisterType([]() -> IEventListener* { return new T(); })), ...);
  return rc;
}

}  // namespace

int32_t RegisterButtonsMarkupTypes(ZMLParser& parser) {
  return Register<Button, CheckBox, MenuItem, ListBox, AnimKnob, BitmapSlider>(parser);
}

}  // namespace ZTools
