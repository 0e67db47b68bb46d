// Registration of the buttons controls' markup types (see zcontroltypes.h).
#include "ztools/zcontroltypes.h"

#include "zml/zmlparser.h"

namespace ZTools {

int32_t RegisterButtonsMarkupTypes(ZMLParser&) { return 0; }

}  // namespace ZTools
