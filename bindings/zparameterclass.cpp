// The script class Parameter: one parameter of the skin, reached through a pointer the object
// holds. Every object is made new by the call that returns it.
#include <cmath>

#include "bindings/zscriptclasses.h"
#include "bindings/zscriptclassinfo.h"
#include "bindings/zscriptcontrol.h"
#include "bindings/zsspanemanager.h"
#include "ziltools.h"
#include "ztools/zparameter.h"

namespace ZTools {
namespace {

struct ParameterRecord {
  ZSSPaneManager* manager;
  ZParameter* parameter;
};

constexpr ZScriptClassInfo kInfo = {
    "Parameter", "", "02.06.2005", "A parameter of the skin: its value, range, display and dirty state.",
    "accessor string\tstringValue ();accessor\t\t\tstringValue (const string);accessor float\t\tfloatValue ();"
    "accessor\t\t\tfloatValue (const float);accessor float\t\tnormalized ();accessor\t\t\tnormalized (const float);"
    "method string\t\tGetDisplayName ();method string\t\tGetDisplayFormat ();method string\t\tGetUnitString ();"
    "method int\t\t\tGetUserIndex (int follow);method int\t\t\tGetStorageCaps (int follow);"
    "method float\t\tGetValueMin ();method float\t\tGetValueMax ();method float\t\tGetDiscreteSteps ();"
    "method int\t\t\tIsDirty ();method\t\t\t\tSetDisplayName (const string);"
    "method\t\t\t\tSetDisplayFormat (const string);method\t\t\t\tSetUnitString (const string);"
    "method\t\t\t\tSetUserIndex (const int);method\t\t\t\tSetValueRange (const float, const float);"
    "method\t\t\t\tSetDiscreteSteps (const float);method\t\t\t\tSetDirty ();method\t\t\t\tSetDirty (NativeControl);"
    "method\t\t\t\tClearDirty ();method\t\t\t\tClearDirty (NativeControl);method string\t\tGetType ();"
    "method string\t\tGetName ();"};

// The pane of a NativeControl argument, or null when the argument holds none.
IEventListener* ControlArg(ZILState* ps, ZILLong n) {
  ZILHandle* h = NTLGetArgHandle(ps, n);  // counted: given back at once, the caller holds the argument
  IEventListener* control = NativeControlOf(ps, h);
  NTLFreeHandle(ps, h);
  return control;
}

// A value a script sets is announced at once (marked dirty, listeners told), so the controls
// showing the parameter follow without further calls.
void Changed(ZParameter* p, IEventListener* sender = nullptr) {
  p->SetDirty(sender);
  p->Announce();
}

ZILError CallMember(ZILState* ps, ZILLong index, const ParameterRecord* r) {
  if (!r || !r->parameter)
    return ZIL_ERR_Illegal_Argument;
  ZParameter* p = r->parameter;
  switch (index) {
    case 0: return NTLReturnString(ps, p->GetStringValue().c_str());
    case 1:
      p->SetStringValue(NTLGetArgString(ps, 0));
      Changed(p);
      return 0;
    case 2: return NTLReturnFloat(ps, p->GetFloatValue());
    case 3:
      p->SetFloatValue(NTLGetArgFloat(ps, 0));
      Changed(p);
      return 0;
    case 4: return NTLReturnFloat(ps, p->GetNormalized());
    case 5:
      p->SetNormalized(NTLGetArgFloat(ps, 0));
      Changed(p);
      return 0;
    case 6: return NTLReturnString(ps, p->GetDisplayName().c_str());
    case 7: return NTLReturnString(ps, p->GetDisplayFormat().c_str());
    case 8: return NTLReturnString(ps, p->GetUnitString().c_str());
    case 9: return NTLReturnInt(ps, p->GetUserIndex(NTLGetArgInt(ps, 0) != 0));
    case 10: return NTLReturnInt(ps, p->GetStorageCaps(NTLGetArgInt(ps, 0) != 0));
    case 11: return NTLReturnFloat(ps, p->GetValueMin());
    case 12: return NTLReturnFloat(ps, p->GetValueMax());
    case 13: return NTLReturnFloat(ps, p->GetDiscreteSteps());
    case 14: return NTLReturnInt(ps, p->IsDirty() ? 1 : 0);
    case 15: p->SetDisplayName(NTLGetArgString(ps, 0)); return 0;
    case 16: p->SetDisplayFormat(NTLGetArgString(ps, 0)); return 0;
    case 17: p->SetUnitString(NTLGetArgString(ps, 0)); return 0;
    case 18: {
      const ZILLong i = NTLGetArgInt(ps, 0);
      if (i >= INT32_MIN && i <= INT32_MAX)
        p->SetUserIndex(int32_t(i));
      return 0;
    }
    case 19: p->SetValueRange(NTLGetArgFloat(ps, 0), NTLGetArgFloat(ps, 1)); return 0;
    case 20: p->SetDiscreteSteps(NTLGetArgFloat(ps, 0)); return 0;
    case 21: Changed(p); return 0;
    case 22:
      if (IEventListener* control = ControlArg(ps, 0))
        Changed(p, control);
      return 0;
    case 23: p->ClearDirty(); return 0;
    case 24:
      if (IEventListener* control = ControlArg(ps, 0))
        p->ClearDirty(control);
      return 0;
    case 25: return NTLReturnString(ps, p->GetType());
    case 26: return NTLReturnString(ps, p->GetName().c_str());
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

}  // namespace

ZILError ParameterTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  return AnswerRecordClass<ParameterRecord>(kInfo, CallMember, inst, msg, param, in, out);
}

ZILHandle* NewParameterObject(ZILState* ps, ZSSPaneManager* manager, ZParameter* parameter) {
  return manager ? NewParameterObjectOfType(ps, manager->ParameterTypeId(), manager, parameter) : nullptr;
}

ZILHandle* NewParameterObjectOfType(ZILState* ps, ZILLong type, ZSSPaneManager* manager, ZParameter* parameter) {
  return parameter ? NewRecordObject<ParameterRecord>(ps, type, manager, parameter) : nullptr;
}

ZParameter* ParameterArg(ZILState* ps, ZILLong n) {
  ZILHandle* h = NTLGetArgHandle(ps, n);
  const ZILLong type = NTLTypeNameToTypeID(ps, "Parameter");
  auto* r = type >= ZIL_FIRST_USER_TYPE ? static_cast<ParameterRecord*>(NTLHandleToObject(ps, type, h)) : nullptr;
  NTLFreeHandle(ps, h);
  return r ? r->parameter : nullptr;
}

}  // namespace ZTools
