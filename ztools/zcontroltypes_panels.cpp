// Registration of the panels controls' markup types (see zcontroltypes.h).
#include "ztools/zcontroltypes.h"

#include "zml/zmlparser.h"
#include "ztools/zpagecontainer.h"
#include "ztools/zpopupcontainer.h"
#include "ztools/zscrollbar.h"
#include "ztools/zscrollview.h"
#include "ztools/zstaticselect.h"

namespace ZTools {
namespace {

template <typename... T>
int32_t Register(ZMLParser& parser) {
  int32_t rc = 0;
  ((rc = rc ? rc : parser.RegisterType([]() -> IEventListener* { return new T(); })), ...);
  return rc;
}

}  // namespace

int32_t RegisterPanelsMarkupTypes(ZMLParser& parser) {
  return Register<HScrollBar, VScrollBar, ScrollView, PageContainer, PopupContainer, StaticSelect>(parser);
}

}  // namespace ZTools
