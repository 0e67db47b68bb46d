// Registration of the panels controls' markup types (see zcontroltypes.h).
#include "ztools/zcontroltypes.h"

#include "zml/zmlparser.h"

namespace ZTools {

int32_t RegisterPanelsMarkupTypes(ZMLParser&) { return 0; }

}  // namespace ZTools
