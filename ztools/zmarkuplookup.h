// Finding the markup objects a pane property names (bitmaps, icons) by reference name. The pane
// is made a dependent of what it found, so the markup host tells it (DependeeDestroy) before the
// object goes, whatever the document order.
#pragma once

#include <cstdint>
#include <string_view>

namespace ZTools {

class IEventListener;
class ZMLParser;
class ZMLBitmap;
class ZMLIcon;

// 0, or kZErrIllegalObjectType when the name is not a bitmap (or an icon).
int32_t LookupMarkupBitmap(ZMLParser* host, IEventListener* dependent, std::string_view name, ZMLBitmap*& out);
int32_t LookupMarkupIcon(ZMLParser* host, IEventListener* dependent, std::string_view name, ZMLIcon*& out);

}  // namespace ZTools
