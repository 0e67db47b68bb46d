// SectionView (`section`): a titled group of panes. It is made of two panes of its own, a
// SectionHead (the title bar: `titleheight` pixels, default 18, a vertical gradient around
// `framecolor` of strength `gradient` percent, default 20, and the `text` in `font` and
// `textcolor`, placed by `textalign`, default `left,vcenter,singleline`, with `textshadow`,
// default yes) and a SectionBody (a one-pixel frame in `framecolor` around the section when
// `border` is yes, the default). The head and body come first among the children, so the
// section's own panes lie over them; children are placed in the section's coordinates.
#pragma once

#include <memory>

#include "ztools/zcolor.h"
#include "ztools/zview.h"

namespace ZTools {

class SectionView;

inline constexpr const char* kSectionDeclaration =
    "interface_zpane::section flags? align? size? pos? framecolor? textcolor? font? text? titleheight? border='yes'? "
    "gradient='20'? textshadow='yes'? textalign? ( interface_zpane* )";

class SectionHead : public ZView {
 public:
  explicit SectionHead(const SectionView& section) : section_(section) {}
  void Draw(ZDrawContext& context) override;

 private:
  const SectionView& section_;
};

class SectionBody : public ZView {
 public:
  explicit SectionBody(const SectionView& section) : section_(section) {}
  void Draw(ZDrawContext& context) override;

 private:
  const SectionView& section_;
};

class SectionView : public ZView {
 public:
  SectionView();
  ~SectionView() override;
  int32_t OnCreate() override;
  void SetSize(int32_t width, int32_t height) override;
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override;
  const char* Declaration() const override { return kSectionDeclaration; }

  ZColor frameColor{96, 112, 128};
  ZColor textColor{255, 255, 255};
  int32_t font = 6;  // small heading
  ZString text;
  int32_t titleHeight = 18;
  bool border = true;
  int32_t gradient = 20;
  bool textShadow = true;
  uint32_t textAlign = 0x1 | 0x10 | 0x40;  // left, vcenter, singleline

 private:
  // Lays the head and body out over the section's current size.
  void PlaceParts();
  std::unique_ptr<SectionHead> head_;
  std::unique_ptr<SectionBody> body_;
};

}  // namespace ZTools
