// The script class Bitmap: an image file loaded through the framework bitmap (relative names
// come from the skin's folder or package, or from the script's folder under `zentra`), its size
// and mode, and hit tests under a threshold.
#include <string>

#include "bindings/zscriptclasses.h"
#include "bindings/zvalueclasses.h"
#include "ztools/base/zerror.h"

namespace ZTools {
namespace {

constexpr ZScriptClassInfo kInfo = {
    "Bitmap", "", "03.07.2006", "A bitmap loaded from an image file, with its size, mode and hit threshold.",
    "method\t\t\tBitmap(const string, const int useAlpha);accessor int\tmode();accessor int\twidth();"
    "accessor int\theight();accessor int\tthreshold();accessor\t\tthreshold(const int);"
    "method int\t\tHitAt(const int, const int);"};

ZILError Load(ZILState* ps, ZBitmapValue* b) {
  const std::string name(NTLGetArgString(ps, 0), size_t(NTLGetArgStringLength(ps, 0)));
  const int32_t mode = NTLGetArgInt(ps, 1) ? kBitmapModeAlpha : kBitmapModeScreen;
  if (int32_t rc = b->bitmap.Load(name, mode)) {
    ZILLog(ps, "Bitmap: cannot load '%s': %s\n", name.c_str(), ZErrorText(rc));
    return ZIL_ERR_Initialize_Failed;
  }
  return 0;
}

ZILError CallMember(ZILState* ps, ZILLong index, ZBitmapValue* b) {
  switch (index) {
    case 0: return Load(ps, b);
    case 1: return NTLReturnInt(ps, b->bitmap.GetMode());
    case 2: return NTLReturnInt(ps, b->bitmap.Width());
    case 3: return NTLReturnInt(ps, b->bitmap.Height());
    case 4: return NTLReturnInt(ps, b->bitmap.threshold);
    case 5: {
      const ZILLong t = NTLGetArgInt(ps, 0);
      b->bitmap.threshold = t < 0 ? 0 : t > 255 ? 255 : int32_t(t);
      return 0;
    }
    case 6: return NTLReturnInt(ps, b->bitmap.HitAt({int32_t(NTLGetArgInt(ps, 0)), int32_t(NTLGetArgInt(ps, 1))}));
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

ZILError CallStatic(ZILState*, ZILLong, ZILLong) { return ZIL_ERR_Invalid_Function_Index; }

}  // namespace

ZILError BitmapTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  return AnswerValueClass<ZBitmapValue>(kInfo, CallMember, CallStatic, inst, msg, param, in, out);
}

ZBitmapValue* BitmapFromHandle(ZILState* ps, ZILHandle* h) { return ValueRecordOf<ZBitmapValue>(ps, "Bitmap", h); }
ZBitmapValue* BitmapArg(ZILState* ps, ZILLong n) { return ValueArgRecord<ZBitmapValue>(ps, "Bitmap", n); }

}  // namespace ZTools
