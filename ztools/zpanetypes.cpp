// The framework's markup types, one factory each.
#include "ztools/zpanetypes.h"

#include "zml/zmlparser.h"
#include "ztools/zbitmapmarkup.h"
#include "ztools/zcolorbox.h"
#include "ztools/zcontroltypes.h"
#include "ztools/zfloatparameter.h"
#include "ztools/zghostparameter.h"
#include "ztools/zparameterlist.h"
#include "ztools/zscaler.h"
#include "ztools/zstringmapscaler.h"
#include "ztools/zstringparameter.h"
#include "ztools/zview.h"

namespace ZTools {
namespace {

template <typename... T>
int32_t Register(ZMLParser& parser) {
  int32_t rc = 0;
  ((rc = rc ? rc : parser.RegisterType([]() -> IEventListener* { return new T(); })), ...);
  return rc;
}

}  // namespace

int32_t RegisterFrameworkMarkupTypes(ZMLParser& parser) {
  if (int32_t rc = Register<ZParameterList, ZVstParamList, ZStringParameter, ZFloatParameter, ZVstParameter,
                            ZGhostParameter, ZStdExpScaler, ZStdLogScaler, ZStringMapScaler>(parser))
    return rc;
  if (int32_t rc = Register<ZView, ColorBox>(parser))
    return rc;
  if (int32_t rc = RegisterButtonsMarkupTypes(parser))
    return rc;
  if (int32_t rc = RegisterPanelsMarkupTypes(parser))
    return rc;
  if (int32_t rc = RegisterViewsMarkupTypes(parser))
    return rc;
  return RegisterBitmapMarkupTypes(parser);
}

}  // namespace ZTools
