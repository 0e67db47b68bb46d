// The layers of script controls: light-weight drawable rectangles (RectLayer, TextLayer,
// BitmapLayer) that a control paints in list order over its own area. Every layer object's
// native record is a ZScriptLayer; the members of the Layer interface are shared, each class
// numbers its own after them.
#pragma once

#include <cstdint>
#include <string>

#include "bindings/zvalueclasses.h"
#include "zilapi.h"
#include "ztools/zdrawcontext.h"

namespace ZTools {

// How many members the Layer interface gives every layer class; a class's own start here.
inline constexpr ZILLong kLayerInterfaceMembers = 19;

class ZScriptLayer;

// The list a layer is in; told when the runtime destroys a layer it still lists (only when the
// whole runtime goes: the list holds the layer's object otherwise).
class ZLayerOwner {
 public:
  virtual void LayerDestroyed(ZScriptLayer* layer) = 0;

 protected:
  ~ZLayerOwner() = default;
};

class ZScriptLayer {
 public:
  virtual ~ZScriptLayer() = default;

  // The layer's rectangle in its control's coordinates; formed in 64 bits and limited to
  // +-2^29, so neither the sides, nor the width, nor the offsets drawing adds overflow an int.
  ZRect Bounds() const;
  // Draws the layer through the context, whose origin is the control's top-left corner.
  virtual void Draw(ZDrawContext& dc) = 0;
  // The class's own members (kLayerInterfaceMembers onward).
  virtual ZILError CallOwn(ZILState* ps, ZILLong index) = 0;
  // Marks and lets go of the handles the layer holds (its user value and anything of its own).
  virtual ZILError MarkHandles(ZILState* ps);
  virtual void ReleaseHandles(ZILState* ps);

  int32_t x = 0, y = 0, width = 0, height = 0;
  bool visible = true;
  int32_t index = 0, groupID = 0;
  ZILHandle* user = nullptr;  // held
  // While the layer is in a control's list: its own script object (held by the list) and the
  // list that holds it.
  ZILHandle* self = nullptr;
  ZLayerOwner* owner = nullptr;
};

class ZRectLayer : public ZScriptLayer {
 public:
  void Draw(ZDrawContext& dc) override;
  ZILError CallOwn(ZILState* ps, ZILLong index) override;
  ZColor color{0, 0, 0};
  int32_t style = 0;
  int32_t opacity = 255;  // 0..255
  int32_t shadow = 0;     // 0..16
  bool fill = false;

 private:
  void DrawOpaque(ZDrawContext& dc, const ZRect& r) const;
};

class ZTextLayer : public ZScriptLayer {
 public:
  void Draw(ZDrawContext& dc) override;
  ZILError CallOwn(ZILState* ps, ZILLong index) override;
  std::string text;
  int32_t font = 1;  // 0..11
  bool autoSize = false;
  ZColor textColor{0, 0, 0}, backColor{255, 255, 255};
  int32_t align = 0;
  bool opaque = false;
  ZPoint textSize, offset;
};

class ZBitmapLayer : public ZScriptLayer {
 public:
  void Draw(ZDrawContext& dc) override;
  ZILError CallOwn(ZILState* ps, ZILLong index) override;
  ZILError MarkHandles(ZILState* ps) override;
  void ReleaseHandles(ZILState* ps) override;
  ZILHandle* bitmap = nullptr;     // the Bitmap object, held
  const ZBitmap* image = nullptr;  // its native bitmap, alive while `bitmap` is held
  ZPoint offset;
  int32_t blendMode = 0;  // 0..14
  int32_t opacity = 255;  // 0..255
  ZColor color{0, 0, 0};
};

ZILError RectLayerTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);
ZILError TextLayerTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);
ZILError BitmapLayerTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);

// The layer a handle holds (an object of any of the three classes), or null.
ZScriptLayer* LayerFromHandle(ZILState* ps, ZILHandle* h);

// Restores, when it goes, the drawing state a layer changes.
class ZLayerDrawState {
 public:
  explicit ZLayerDrawState(ZDrawContext& dc)
      : dc_(dc),
        color_(dc.GetColor()),
        back_(dc.GetBackColor()),
        mode_(dc.GetBlendMode()),
        amount_(dc.GetAmount()),
        font_(dc.GetFont()),
        textMode_(dc.GetTextMode()) {}
  ~ZLayerDrawState() {
    dc_.SetColor(color_);
    dc_.SetBackColor(back_);
    dc_.SetBlendMode(mode_);
    dc_.SetAmount(amount_);
    dc_.SetFont(font_);
    dc_.SetTextMode(textMode_);
  }
  ZLayerDrawState(const ZLayerDrawState&) = delete;
  ZLayerDrawState& operator=(const ZLayerDrawState&) = delete;

 private:
  ZDrawContext& dc_;
  ZColor color_, back_;
  int32_t mode_, amount_, font_, textMode_;
};

// Shared helpers of the layer classes.
int32_t ClampInt(ZILLong v, int32_t lo, int32_t hi);
ZColor ToZColor(const ZColorValue& c);
ZColorValue FromZColor(ZColor c);
// Returns a new Color / Point object in r1.
ZILError ReturnColor(ZILState* ps, ZColor c);
ZILError ReturnPoint(ZILState* ps, ZPoint p);

}  // namespace ZTools
