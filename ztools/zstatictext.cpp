// StaticTextView: properties, drawing, and the set-text event.
#include "ztools/zstatictext.h"

#include "ztools/zdrawcontext.h"
#include "ztools/base/zerror.h"
#include "ztools/zfont.h"
#include "ztools/zmarkupvalues.h"

namespace ZTools {

void DrawTextWithShadow(ZDrawContext& context, std::string_view text, const ZRect& rect, uint32_t align, ZColor color,
                        bool shadow) {
  context.SetTextMode(kTextModeTransparent);
  if (shadow) {
    context.SetColor(ZColor(color.r / 5, color.g / 5, color.b / 5));
    context.DrawText(text, rect.Offsetted({1, 1}), align);
  }
  context.SetColor(color);
  context.DrawText(text, rect, align);
}

int32_t StaticTextView::SetProperty(std::string_view name, std::string_view value, ZMLParser* host) {
  if (name == "text") {
    text_ = value;
    return 0;
  }
  if (name == "color")
    return ParseColor(value, color_);
  if (name == "font") {
    const int32_t index = FontIndexFromWord(value);
    if (index < 0)
      return index;
    font_ = index;
    return 0;
  }
  if (name == "textalign")
    return ParseFlagWords(TextAlignWords(), value, 0, align_);
  if (name == "textshadow")
    return ParseYesNo(value, shadow_) ? 0 : kZErrIllegalPropertyValue;
  return ZView::SetProperty(name, value, host);
}

void StaticTextView::SetText(std::string_view text) {
  if (text_.View() == text)
    return;
  text_ = text;
  PostRedraw();
}

int32_t StaticTextView::OnPaneEvent(ZPaneEvent& event) {
  if (event.Id() == kPaneSetText) {
    SetText(event.Text().View());
    return 0;
  }
  return ZView::OnPaneEvent(event);
}

void StaticTextView::Draw(ZDrawContext& context) {
  if (text_.IsEmpty())
    return;
  context.SetFont(font_);
  DrawTextWithShadow(context, text_.View(), ZRect(0, 0, Width(), Height()), align_, color_, shadow_);
}

}  // namespace ZTools
