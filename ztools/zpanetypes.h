// Registration of the framework's markup types with a markup host: panes and controls,
// parameters and parameter lists, scalers, bitmaps and icons. The pane manager calls it before it
// parses a skin; tools that only check markup call it too, so they know every tag the player
// knows.
#pragma once

#include <cstdint>

namespace ZTools {

class ZMLParser;

// 0 or the first registration error.
int32_t RegisterFrameworkMarkupTypes(ZMLParser& parser);

}  // namespace ZTools
