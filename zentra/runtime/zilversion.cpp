// zilversion.cpp - packing of version texts "a.b.c.d" into one word and back.
// Each part keeps its low 8 bits: "1.0.3.2" is 0x01000302.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "zilapi.h"

ZILLong NTLRevisionToLong(const ZILChar* text) {
  if (!text)
    return 0;
  uint32_t packed = 0;
  const ZILChar* p = text;
  for (int part = 0; part < 4; ++part) {
    packed |= (static_cast<uint32_t>(atol(p)) & 255u) << (24 - 8 * part);
    p = strchr(p, '.');
    if (!p)
      break;
    ++p;
  }
  return static_cast<ZILLong>(packed);
}

void ZILVersionToText(ZILLong version, ZILChar* buffer, size_t size) {
  uint32_t v = static_cast<uint32_t>(version);
  snprintf(buffer, size, "%d.%d.%d.%d", static_cast<int>(v >> 24), static_cast<int>((v >> 16) & 255),
           static_cast<int>((v >> 8) & 255), static_cast<int>(v & 255));
}
