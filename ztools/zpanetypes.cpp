// The framework's markup types, one factory each.
#include "ztools/zpanetypes.h"

#include "zml/zmlparser.h"
#include "ztools/zbitmapmarkup.h"
#include "ztools/zcolorbox.h"
#include "ztools/zview.h"

namespace ZTools {
namespace {

template <typename T>
int32_t Register(ZMLParser& parser) {
  return parser.RegisterType([]() -> IEventListener* { return new T(); });
}

}  // namespace

int32_t RegisterPaneMarkupTypes(ZMLParser& parser) {
  if (int32_t rc = Register<ZView>(parser)) return rc;
  if (int32_t rc = Register<ColorBox>(parser)) return rc;
  return RegisterBitmapMarkupTypes(parser);
}

}  // namespace ZTools
