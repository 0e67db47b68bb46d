// Registration of the views controls' markup types (see zcontroltypes.h).
#include "ztools/zcontroltypes.h"

#include "zml/zmlparser.h"

namespace ZTools {

int32_t RegisterViewsMarkupTypes(ZMLParser&) { return 0; }

}  // namespace ZTools
