// The drawing test sheet. Each section has a heading and labelled cells; the blend cells draw
// one source (a grey ramp with coloured bars and an alpha plane that fades out at the bottom)
// over one destination (a colour gradient), so the modes can be compared side by side.
#include "ztools/zdrawtest.h"

#include <cstdio>
#include <string>

#include "ztools/zdrawcontext.h"
#include "ztools/base/zerror.h"
#include "ztools/zfont.h"
#include "ztools/zpng.h"

namespace ZTools {
namespace {

const ZColor kBlack(0, 0, 0);
const ZColor kWhite(255, 255, 255);
const ZColor kPaper(236, 236, 232);
const ZColor kInk(40, 40, 40);

void Label(ZDrawContext& dc, const std::string& text, const ZRect& rect, uint32_t align = kTextAlignCenter) {
  dc.SetColor(kInk);
  dc.SetFont(kFontSystem);
  dc.SetTextMode(kTextModeTransparent);
  dc.DrawText(text, rect, align | kTextAlignSingleLine | kTextAlignVCenter);
}

void Heading(ZDrawContext& dc, const char* text, int32_t y) {
  dc.SetColor(ZColor(20, 40, 90));
  dc.SetFont(6);
  dc.SetTextMode(kTextModeTransparent);
  dc.DrawText(text, ZRect(8, y, kDrawTestWidth - 8, y + 18), kTextAlignLeft | kTextAlignSingleLine | kTextAlignVCenter);
}

// Source of the blend cells: grey ramp left to right, three colour bars, alpha fading downward.
void MakeSource(ZBitmap& src, int32_t w, int32_t h) {
  src.Create(w, h, kBitmapModeAlpha);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      int v = x * 255 / (w - 1);
      ZColor c{uint8_t(v), uint8_t(v), uint8_t(v)};
      if (y >= h / 4 && y < h / 4 + 6)
        c = ZColor(220, 40, 40);
      if (y >= h / 2 && y < h / 2 + 6)
        c = ZColor(40, 200, 60);
      src.GetPixels()[y * w + x] = c.ToPixel();
      src.GetAlphaPlane()[y * w + x] = uint8_t(y < h * 2 / 3 ? 255 : 255 - (y - h * 2 / 3) * 255 / (h - h * 2 / 3));
    }
}

void BlendSection(ZDrawContext& dc, int32_t top) {
  Heading(dc, "Blend modes (source with alpha plane over a gradient; tint orange, amount 160, gamma amount 64)", top);
  const int32_t cw = 80, ch = 48, pitch = 84;
  ZBitmap src;
  MakeSource(src, cw - 16, ch - 8);
  ZBitmap solid;  // the same pixels without an alpha plane
  solid.Copy(src);
  solid.Convert(kBitmapModePixels);
  for (int32_t mode = 0; mode < kBlendModeCount; ++mode) {
    int32_t col = mode % 9, row = mode / 9;
    int32_t x = 8 + col * pitch, y = top + 22 + row * (ch + 18);
    ZRect cell(x, y, x + cw, y + ch);
    dc.SetBlendMode(kBlendOpaque);
    dc.FillGradient(cell, ZColor(30, 90, 200), ZColor(250, 220, 60), kGradientDiagonal);
    dc.SetColor(ZColor(255, 140, 0));
    dc.SetAmount(mode == kBlendGamma ? 64 : 160);
    dc.SetBlendMode(mode);
    if (mode == kBlendTransparent)
      dc.SetColor(ZColor(0, 0, 0));  // black is the key here
    // Left half of each cell without the alpha plane, right half with it.
    dc.DrawBitmap(solid, ZRect(0, 0, src.Width() / 2, src.Height()), {x + 8, y + 4});
    dc.DrawBitmap(src, ZRect(src.Width() / 2, 0, src.Width(), src.Height()), {x + 8 + src.Width() / 2, y + 4});
    dc.SetBlendMode(kBlendOpaque);
    Label(dc, std::to_string(mode) + " " + std::string(BlendModeName(mode)),
          ZRect(x - 2, y + ch, x + cw + 2, y + ch + 16));
  }
}

void FillSection(ZDrawContext& dc, int32_t top) {
  Heading(dc, "Gradients and transitions", top);
  const char* names[] = {"diagonal", "horizontal", "vertical", "dither 15-bit", "dither 16-bit", "blur"};
  for (int32_t i = 0; i < 6; ++i) {
    int32_t x = 8 + i * 124, y = top + 22;
    ZRect cell(x, y, x + 116, y + 44);
    dc.SetBlendMode(kBlendOpaque);
    if (i < 3) {
      dc.FillGradient(cell, ZColor(200, 30, 60), ZColor(20, 60, 120), kGradientDiagonal + i);
    } else {
      dc.FillGradient(cell, ZColor(90, 90, 90), ZColor(130, 140, 150), kGradientHorizontal);
      dc.SetColor(kBlack);
      dc.SetFont(8);
      dc.DrawText("Abc", cell, kTextAlignCenter | kTextAlignVCenter | kTextAlignSingleLine);
      dc.ApplyTransition(cell, kTransDither15Bit + (i - 3));
    }
    Label(dc, names[i], ZRect(x, y + 44, x + 116, y + 60));
  }
}

void FrameSection(ZDrawContext& dc, int32_t top) {
  Heading(dc, "3-D frames (colour 150, 150, 170)", top);
  struct Style {
    uint32_t flags;
    const char* name;
  };
  const Style styles[] = {
      {k3DRectPlain | k3DRectOutline, "outline"},
      {k3DRectNormal, "normal"},
      {k3DRectRaised | k3DRectMediumEdge, "raised medium"},
      {k3DRectSunken | k3DRectLargeEdge, "sunken large"},
      {k3DRectBrighten | k3DRectMediumEdge, "brighten"},
      {k3DRectDarken | k3DRectMediumEdge, "darken"},
      {k3DRectRaised | k3DRectLargeEdge | k3DRectStrongestShading, "strongest"},
      {k3DRectRaised | k3DRectLargeEdge | k3DRectSoftShading, "soft"},
      {k3DRectRaised | k3DRectLargeEdge | k3DRectTopLeftOnly, "top-left only"},
      {k3DRectSunken | k3DRectLargeEdge | k3DRectBottomRightOnly | k3DRectOutline, "bottom-right+outl."},
  };
  for (int32_t i = 0; i < 10; ++i) {
    int32_t x = 8 + i * 74, y = top + 22;
    ZRect box(x, y, x + 66, y + 36);
    dc.SetColor(ZColor(150, 150, 170));
    dc.SetBlendMode(kBlendOpaque);
    dc.FillRect(box);
    dc.Draw3DRect(box, styles[i].flags);
    Label(dc, styles[i].name, ZRect(x - 4, y + 36, x + 70, y + 52));
  }
}

void FontSection(ZDrawContext& dc, int32_t top) {
  Heading(dc, "Fonts", top);
  int32_t y = top + 22;
  for (int32_t i = 0; i < kFontCount; ++i) {
    const ZFontSpec& spec = FontSpec(i);
    char label[64];
    std::snprintf(label, sizeof label, "%d %.*s", int(i), int(spec.word.size()), spec.word.data());
    Label(dc, label, ZRect(8, y, 150, y + GetFont(i).LineHeight()), kTextAlignLeft);
    dc.SetColor(kBlack);
    dc.SetFont(i);
    const char* sample = spec.symbol
                             ? "0 1 2 r 3 4 5 6 a"
                             : "The quick brown fox jumps over the lazy dog 0123456789 \xc3\xa4\xc3\xb6\xc3\xbc";
    ZPoint size = dc.DrawText(sample, ZRect(150, y, kDrawTestWidth - 8, y + 40), kTextAlignSingleLine);
    y += size.y + 3;
  }
}

void AlignSection(ZDrawContext& dc, int32_t top) {
  Heading(dc, "Text alignment", top);
  const uint32_t horizontal[3] = {kTextAlignLeft, kTextAlignCenter, kTextAlignRight};
  const uint32_t vertical[3] = {kTextAlignTop, kTextAlignVCenter, kTextAlignBottom};
  const char* hNames[3] = {"left", "center", "right"};
  const char* vNames[3] = {"top", "vcenter", "bottom"};
  for (int32_t v = 0; v < 3; ++v)
    for (int32_t h = 0; h < 3; ++h) {
      int32_t x = 8 + h * 92, y = top + 22 + v * 40;
      ZRect box(x, y, x + 88, y + 36);
      dc.SetColor(kWhite);
      dc.FillRect(box);
      dc.SetColor(ZColor(120, 120, 140));
      dc.Draw3DRect(box, k3DRectOutline);
      dc.SetColor(kBlack);
      dc.SetFont(0);
      dc.DrawText(std::string(hNames[h]) + " " + vNames[v], ZRect(x + 1, y + 1, x + 87, y + 35),
                  horizontal[h] | vertical[v] | kTextAlignSingleLine);
    }
  // Word break, and opaque text.
  ZRect wrap(300, top + 22, 520, top + 138);
  dc.SetColor(kWhite);
  dc.FillRect(wrap);
  dc.SetColor(ZColor(120, 120, 140));
  dc.Draw3DRect(wrap, k3DRectOutline);
  dc.SetColor(kBlack);
  dc.SetFont(0);
  dc.DrawText("wordbreak: a longer text that wraps between words inside its rectangle,\nand a second paragraph.",
              ZRect(wrap.left + 2, wrap.top + 2, wrap.right - 2, wrap.bottom - 2),
              kTextAlignWordBreak | kTextAlignCenter);
  ZRect opaque(530, top + 22, kDrawTestWidth - 8, top + 138);
  dc.FillGradient(opaque, ZColor(60, 120, 60), ZColor(200, 230, 160), kGradientVertical);
  dc.SetColor(kWhite);
  dc.SetBackColor(ZColor(150, 30, 30));
  dc.SetTextMode(kTextModeOpaque);
  dc.SetFont(7);
  dc.DrawText("opaque\ntext mode", opaque, kTextAlignCenter | kTextAlignVCenter);
  dc.SetTextMode(kTextModeTransparent);
}

}  // namespace

int32_t DrawTestSheet(ZDrawContext& dc) {
  if (int32_t rc = dc.Resize(kDrawTestWidth, kDrawTestHeight))
    return rc;
  dc.SetOrigin({0, 0});
  dc.Fill(kPaper);
  BlendSection(dc, 4);
  FillSection(dc, 160);
  FrameSection(dc, 248);
  FontSection(dc, 324);
  AlignSection(dc, 592);
  return 0;
}

int32_t WriteDrawTestSheet(const std::string& path) {
  ZDrawContext dc;
  if (int32_t rc = DrawTestSheet(dc))
    return rc;
  return ZPNGWrite(dc, path);
}

}  // namespace ZTools
