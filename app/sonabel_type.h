// The script class Sonabel: the player's own functions for skin scripts (version, the skin's
// settings, opening a web page, publishing what is playing).
#pragma once

#include "zilapi.h"

namespace ZTools {

inline constexpr const char* kSonabelVersion = "0.8";

ZILError SonabelTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);

}  // namespace ZTools
