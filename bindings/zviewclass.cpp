// The script class View: a pane found through its id in the manager's view map. An id that is
// no longer mapped (the skin was closed or opened since) makes every operation do nothing.
#include "bindings/zscriptclasses.h"
#include "bindings/zscriptclassinfo.h"
#include "bindings/zsspanemanager.h"
#include "ziltools.h"
#include "ztools/zpaneevent.h"
#include "ztools/zview.h"

namespace ZTools {
namespace {

struct ViewRecord {
  ZSSPaneManager* manager;
  int32_t id;
};

constexpr ZScriptClassInfo kInfo = {
    "View", "", "14.02.2006", "A pane of the skin, found again by its id on every use.",
    "accessor int\tx();accessor int\ty();accessor int\twidth();accessor int\theight();accessor int\tvisible();"
    "accessor int\tfocus();method\t\t\tShow();method\t\t\tHide();method\t\t\tMoveTo(const int x, const int y);"
    "method\t\t\tMoveBy(const int dx, const int dy);method\t\t\tResizeTo(const int w, const int h);"
    "method\t\t\tResizeBy(const int dw, const int dh);method\t\t\tMoveToFront();method\t\t\tMoveToBack();"
    "method\t\t\tSetText(const string text);"};

int32_t Arg(ZILState* ps, ZILLong n) {
  // Positions stay far inside int32_t whatever a script passes.
  const ZILLong v = NTLGetArgInt(ps, n);
  return int32_t(v < -kMaxPaneCoordinate ? -kMaxPaneCoordinate : v > kMaxPaneCoordinate ? kMaxPaneCoordinate : v);
}

ZILError CallMember(ZILState* ps, ZILLong index, const ViewRecord* view) {
  if (!view)
    return ZIL_ERR_Illegal_Argument;
  if (index < 0 || index > 14)
    return ZIL_ERR_Invalid_Function_Index;
  ZView* pane = view->manager ? view->manager->Views().Find(view->id) : nullptr;
  if (!pane)
    return index <= 5 ? NTLReturnInt(ps, 0) : 0;
  const ZRect r = pane->GetRect();
  switch (index) {
    case 0: return NTLReturnInt(ps, r.left);
    case 1: return NTLReturnInt(ps, r.top);
    case 2: return NTLReturnInt(ps, r.Width());
    case 3: return NTLReturnInt(ps, r.Height());
    case 4: return NTLReturnInt(ps, pane->IsVisible() ? 1 : 0);
    case 5: return NTLReturnInt(ps, pane->HasFocus() ? 1 : 0);
    case 6:
      pane->SetVisible(true);
      pane->PostRedraw();
      return 0;
    case 7:
      pane->PostRedraw();
      pane->SetVisible(false);
      return 0;
    case 8:
    case 10: {
      if (!pane->HasFlag(index == 8 ? kCanMove : kCanResize))
        return 0;
      pane->PostRedraw();
      if (index == 8)
        pane->SetPosition(Arg(ps, 0), Arg(ps, 1));
      else
        pane->SetSize(std::max(0, Arg(ps, 0)), std::max(0, Arg(ps, 1)));
      pane->PostRedraw();
      return 0;
    }
    case 9:
    case 11:
      pane->PostRedraw();
      if (index == 9)
        pane->MoveBy(Arg(ps, 0), Arg(ps, 1));
      else
        pane->ResizeBy(Arg(ps, 0), Arg(ps, 1));
      pane->PostRedraw();
      return 0;
    case 12:
    case 13:
      if (index == 12)
        pane->PostMoveToTop();
      else
        pane->PostMoveToBottom();
      pane->PostRedraw();
      return 0;
    default: {
      auto event = MakeEvent<ZPaneEvent>(kPaneSetText, pane);
      event->SetText(NTLGetArgString(ps, 0));
      pane->OnEvent(event.get());
      return 0;
    }
  }
}

}  // namespace

ZILError ViewTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  return AnswerRecordClass<ViewRecord>(kInfo, CallMember, inst, msg, param, in, out);
}

ZILHandle* NewViewObject(ZILState* ps, ZSSPaneManager* manager, int32_t viewId) {
  return NewRecordObject<ViewRecord>(ps, manager->ViewTypeId(), manager, viewId);
}

}  // namespace ZTools
