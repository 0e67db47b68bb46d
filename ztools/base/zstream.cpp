// The one operation every stream shares: copying the rest of a stream into another.
#include "ztools/base/zstream.h"

namespace ZTools {

int64_t ZStream::CopyTo(ZStream& target) {
  unsigned char buffer[16 * 1024];
  int64_t copied = 0;
  for (;;) {
    int64_t got = Read(buffer, sizeof buffer);
    if (got <= 0)
      return copied;
    int64_t put = target.Write(buffer, got);
    if (put > 0)
      copied += put;
    if (put != got)
      return copied;
  }
}

}  // namespace ZTools
