// The script classes through which a skin's script reaches its pane manager: Application (the
// manager itself), View (a pane, known by its id in the manager's view map) and Parameter.
#pragma once

#include <cstdint>

#include "zilapi.h"

namespace ZTools {

class ZParameter;
class ZSSPaneManager;

ZILError ApplicationTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);
ZILError ViewTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);
ZILError ParameterTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);

// New script objects (owned by the caller; null when memory ran out or the class is missing).
ZILHandle* NewApplicationObject(ZILState* ps, ZILLong typeId, ZSSPaneManager* manager);
ZILHandle* NewViewObject(ZILState* ps, ZSSPaneManager* manager, int32_t viewId);
ZILHandle* NewParameterObject(ZILState* ps, ZSSPaneManager* manager, ZParameter* parameter);
// The same with the Parameter type given (the manager may be null: nothing in the object uses it
// but the dirty marks).
ZILHandle* NewParameterObjectOfType(ZILState* ps, ZILLong type, ZSSPaneManager* manager, ZParameter* parameter);
// The parameter of a Parameter argument, or null.
ZParameter* ParameterArg(ZILState* ps, ZILLong n);

// Returns a new object as the native call's result (r1); a null object returns null.
ZILError ReturnNewObject(ZILState* ps, ZILHandle* object);

}  // namespace ZTools
