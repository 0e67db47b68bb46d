// The script class Application: the pane manager as the skin's script sees it (its parameters,
// surfaces and panes, and the window's minimize and close).
#include "bindings/zscriptclasses.h"
#include "bindings/zscriptclassinfo.h"
#include "bindings/zsspanemanager.h"
#include "ziltools.h"
#include "ztools/zparameter.h"
#include "ztools/zpaneevent.h"

namespace ZTools {
namespace {

constexpr const char* kDescription = "The skin's pane manager: its parameters, surfaces and panes.";

constexpr ZScriptClassInfo kInfo = {
    "Application", "View,Parameter", "14.02.2006", kDescription,
    "method Parameter\tGetParameterByIndex(const int index);method Parameter\tGetParameterByName(const string name);"
    "method int\t\t\tGetCurrentSurface();method int\t\t\tGetNumberOfSurfaces();"
    "method string\t\tGetParameter(const string name);"
    "method\t\t\t\tSetParameter(const string name, const string value);method View\t\tGetView(const string path);"
    "method View\t\tFindView(const string name);method\t\t\t\tMinimize();method\t\t\t\tQuit();"
    "accessor int\t\tinitialUpdate();"};

ZILError ReturnView(ZILState* ps, ZSSPaneManager* m, ZView* pane) {
  // A pane already handed out keeps its id; a missing one gives id 0, which finds nothing.
  return ReturnNewObject(ps, NewViewObject(ps, m, m->Views().Enter(pane)));
}

ZILError PostToWindow(ZSSPaneManager* m, uint32_t id) {
  auto event = MakeEvent<ZPaneEvent>(id, nullptr);
  return m->OnEvent(event.get());
}

ZILError CallMember(ZILState* ps, ZILLong index, ZSSPaneManager* m) {
  if (!m)
    return ZIL_ERR_Illegal_Argument;
  switch (index) {
    case 0: {
      const ZILLong i = NTLGetArgInt(ps, 0);
      const std::vector<ZParameter*>& all = m->Parameters();
      return ReturnNewObject(ps,
                             i >= 0 && size_t(i) < all.size() ? NewParameterObject(ps, m, all[size_t(i)]) : nullptr);
    }
    case 1: {
      ZParameter* p = m->FindParameter(NTLGetArgString(ps, 0));
      return ReturnNewObject(ps, p ? NewParameterObject(ps, m, p) : nullptr);
    }
    case 2: return NTLReturnInt(ps, m->CurrentSurface());
    case 3: return NTLReturnInt(ps, ZILLong(m->SurfaceCount()));
    case 4: {
      ZParameter* p = m->FindParameter(NTLGetArgString(ps, 0));
      return NTLReturnString(ps, p ? p->GetStringValue().c_str() : "");
    }
    case 5:
      if (ZParameter* p = m->FindParameter(NTLGetArgString(ps, 0)))
        m->SetParameterText(p, NTLGetArgString(ps, 1));
      return 0;
    case 6: return ReturnView(ps, m, m->GetView(NTLGetArgString(ps, 0)));
    case 7: return ReturnView(ps, m, m->FindView(NTLGetArgString(ps, 0)));
    case 8: return PostToWindow(m, kSysWindowMinimize);
    case 9: return PostToWindow(m, kSysWindowClose);
    case 10: return NTLReturnInt(ps, m->InitialUpdate());
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

}  // namespace

ZILError ApplicationTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  switch (msg) {
    case NTL_Register:
    case NTL_Initialize:
    case NTL_Terminate:
    case NTL_Unregister:
    case NTL_MarkHandles:
    case NTL_DestroyObject:  // the object stands for the manager, which the script does not own
      return 0;
    case NTL_CallMember: return CallMember(NTLInstanceGetVM(inst), param, static_cast<ZSSPaneManager*>(in));
    default: return AnswerScriptClassInfo(kInfo, msg, out);
  }
}

ZILHandle* NewApplicationObject(ZILState* ps, ZILLong typeId, ZSSPaneManager* manager) {
  return typeId >= ZIL_FIRST_USER_TYPE ? NTLNewHandleForObject(ps, typeId, manager) : nullptr;
}

ZILError ReturnNewObject(ZILState* ps, ZILHandle* object) {
  const ZILError e = NTLReturnHandle(ps, object);
  if (object)
    NTLFreeHandle(ps, object);
  return e;
}

}  // namespace ZTools
