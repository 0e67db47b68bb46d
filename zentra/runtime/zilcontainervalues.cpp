// zilcontainervalues.cpp - what the container classes share when values cross into and out of
// script code: calling a delegate and telling an error value from a result, and handing a
// stored value to r1 without letting the script change the container's own int or float.
#include "zilinternal.h"
#include "ziltools.h"

ZILError ZILCallForValue(ZILState* ps, ZILHandle* fn, ZILLong argc, ZILHandle* const* args, ZILHandle** pResult,
                         ZILError* pCode) {
  *pResult = nullptr;
  *pCode = 0;
  ZILHandle* r = nullptr;
  ZILError e = ZILInvokeDelegate(ps, fn, argc, args, &r);
  if (e)
    return e;
  if (!r)
    r = ZILNullRef(ps);
  *pCode = NTLHandleToError(ps, r);
  *pResult = r;
  return 0;
}

ZILError ZILReturnValue(ZILState* ps, ZILHandle* h) {
  ZILHandle* out = ZILValueOut(ps, h);
  if (!out)
    return ZIL_EXC_Allocation_Fail;
  ZILError e = NTLReturnHandle(ps, out);
  ZILRelease(ps, out);
  return e;
}
