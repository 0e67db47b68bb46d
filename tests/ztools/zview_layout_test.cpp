// Pane layout: the common properties (flags words, align words, pos and size with their
// limits), alignment of children by every mode when a view is resized, the clamp-and-repay rule
// of shrinking below size 0, and content size.
#include <gtest/gtest.h>

#include "ztools/base/zerror.h"
#include "ztools/zview.h"

namespace ZTools {
namespace {

TEST(ZViewProperties, FlagsAlignPosAndSizeWordsAndErrors) {
  struct Case {
    const char* name;
    const char* value;
    int32_t code;
    uint32_t flags;  // expected flags after the value, when it is accepted
  };
  const Case cases[] = {
      {"flags", "default", 0, 0x3101},
      {"flags", "", 0, 0x3101},
      {"flags", "wantall,wantclickthru=no", 0, 0x31fb},
      {"flags", "wantidle,wantautoopen=no", 0, 0x3081},
      {"flags", " WantClick = TRUE , candrawchildren=false", 0, 0x2103},
      {"flags", "canmove=maybe", kZErrIllegalPropertyValue, 0},
      {"flags", "wantnothing", kZErrIllegalPropertyValue, 0},
      {"flags", "wantclick,,wantdrag", kZErrIllegalPropertyValue, 0},
      {"align", "bottomright", 0, 0x3101},
      {"align", "sideways", kZErrIllegalPropertyValue, 0},
      {"pos", "10", kZErrIllegalPropertyValue, 0},
      {"pos", "16385,0", kZErrIllegalPropertyValue, 0},
      {"pos", "-16384,16384", 0, 0x3101},
      {"size", "-1,5", kZErrIllegalPropertyValue, 0},
      {"size", "5,20000", kZErrIllegalPropertyValue, 0},
      {"size", "x,y", kZErrIllegalPropertyValue, 0},
      {"colour", "red", kZErrUnknownProperty, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + "='" + c.value + "'");
    ZView v;
    EXPECT_EQ(v.SetProperty(c.name, c.value, nullptr), c.code);
    if (c.code == 0) {
      EXPECT_EQ(v.GetFlags(), c.flags);
    }
  }
  ZView v;
  ASSERT_EQ(v.SetProperty("size", "30,40", nullptr), 0);
  ASSERT_EQ(v.SetProperty("pos", "10,20", nullptr), 0);
  EXPECT_EQ(v.GetRect(), ZRect(10, 20, 40, 60));
  ASSERT_EQ(v.SetProperty("align", "resizeabs", nullptr), 0);
  EXPECT_EQ(v.GetAutoAlign(), kAlignResizeAbs);
}

// A parent at (100, 50) of size 100 x 50 with one child of size 20 x 10 at (30, 15), resized by
// (40, 20): where the child ends up for each align mode. Children align to the parent's own box
// (0, 0, W, H), since they live in its coordinates.
TEST(ZViewLayout, EveryAlignModeUnderAResize) {
  struct Case {
    int32_t align;
    ZRect expected;
  };
  const Case cases[] = {
      {kAlignNone, {30, 15, 50, 25}},
      {kAlignLeft, {0, 15, 20, 25}},
      {kAlignTop, {30, 0, 50, 10}},
      {kAlignRight, {120, 15, 140, 25}},
      {kAlignBottom, {30, 60, 50, 70}},
      {kAlignTopLeft, {0, 0, 20, 10}},
      {kAlignBottomRight, {120, 60, 140, 70}},
      {kAlignVCenter, {30, 30, 50, 40}},
      {kAlignHCenter, {60, 15, 80, 25}},
      {kAlignCenter, {60, 30, 80, 40}},
      {kAlignVResize, {30, 15, 50, 45}},
      {kAlignHResize, {30, 15, 90, 25}},
      {kAlignResize, {30, 15, 90, 45}},
      {kAlignHAdjust, {70, 15, 90, 25}},
      {kAlignVAdjust, {30, 35, 50, 45}},
      {kAlignAdjust, {70, 35, 90, 45}},
      {kAlignVResizeAbs, {30, 15, 50, 85}},
      {kAlignHResizeAbs, {30, 15, 170, 25}},
      {kAlignResizeAbs, {30, 15, 170, 85}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("align " + std::to_string(c.align));
    ZView parent, child;
    parent.SetFlags(kDefaultFlags | kCanResize);
    parent.SetPosition(100, 50);
    parent.SetSize(100, 50);
    child.SetPosition(30, 15);
    child.SetSize(20, 10);
    child.SetAutoAlign(c.align);
    ASSERT_EQ(parent.AddChild(&child), 0);
    parent.ResizeBy(40, 20);
    EXPECT_EQ(parent.GetRect(), ZRect(100, 50, 240, 120));
    EXPECT_EQ(child.GetRect(), c.expected);
    parent.RemoveChild(&child);
  }
}

TEST(ZViewLayout, ResizeAndMoveNeedTheirFlagsButLayoutDoesNot) {
  ZView v;
  v.SetSize(10, 10);
  v.MoveBy(5, 5);
  v.ResizeBy(5, 5);
  EXPECT_EQ(v.GetRect(), ZRect(0, 0, 10, 10));
  v.SetFlags(kCanMove | kCanResize);
  v.MoveBy(5, 5);
  v.ResizeBy(5, 5);
  EXPECT_EQ(v.GetRect(), ZRect(5, 5, 20, 20));
  // Moves and resizes stop at the coordinate limit instead of overflowing.
  v.MoveBy(INT32_MAX, INT32_MIN);
  v.ResizeBy(INT32_MAX, INT32_MAX);
  const ZRect r = v.GetRect();
  EXPECT_LE(r.right, kMaxPaneCoordinate);
  EXPECT_GE(r.top, -kMaxPaneCoordinate);
  EXPECT_GE(r.Width(), 15);
}

// Shrinking by more than the width leaves width 0 and moves right-aligned children only by what
// the frame really lost; growing back by the same amount first repays the rest, so every child
// is where it was.
TEST(ZViewLayout, ClampedShrinkIsRepaidBeforeGrowing) {
  ZView parent, right, stretch, centred;
  parent.SetSize(100, 50);
  right.SetPosition(80, 0);
  right.SetSize(20, 10);
  right.SetAutoAlign(kAlignRight);
  stretch.SetPosition(0, 20);
  stretch.SetSize(100, 10);
  stretch.SetAutoAlign(kAlignResize);
  centred.SetPosition(45, 20);
  centred.SetSize(10, 10);
  centred.SetAutoAlign(kAlignCenter);
  for (ZView* c : {&right, &stretch, &centred})
    ASSERT_EQ(parent.AddChild(c), 0);

  parent.ResizeFrameBy(-130, -70);
  EXPECT_EQ(parent.GetRect(), ZRect(0, 0, 0, 0));
  EXPECT_EQ(right.GetRect(), ZRect(-20, 0, 0, 10));  // moved by the 100 the frame lost
  EXPECT_EQ(stretch.GetRect().Width(), 0);

  parent.ResizeFrameBy(130, 70);
  EXPECT_EQ(parent.GetRect(), ZRect(0, 0, 100, 50));
  EXPECT_EQ(right.GetRect(), ZRect(80, 0, 100, 10));
  EXPECT_EQ(stretch.GetRect(), ZRect(0, 20, 100, 30));
  EXPECT_EQ(centred.GetRect(), ZRect(45, 20, 55, 30));
  for (ZView* c : {&right, &stretch, &centred})
    parent.RemoveChild(c);
}

TEST(ZViewLayout, ContentSizeReachesIntoChildrenThatDoNotClip) {
  ZView parent, clipped, open, grandchild;
  parent.SetSize(100, 50);
  clipped.SetPosition(90, 40);
  clipped.SetSize(30, 30);
  open.SetFlags(kDefaultFlags & ~kCanClipChildren);
  open.SetPosition(10, 10);
  open.SetSize(10, 10);
  grandchild.SetPosition(150, 5);
  grandchild.SetSize(10, 10);
  ASSERT_EQ(open.AddChild(&grandchild), 0);
  ASSERT_EQ(parent.AddChild(&clipped), 0);
  EXPECT_EQ(parent.GetContentSize(), ZPoint(120, 70));
  ASSERT_EQ(parent.AddChild(&open), 0);
  EXPECT_EQ(parent.GetContentSize(), ZPoint(170, 70));  // 10 + (150 + 10)
  open.RemoveChild(&grandchild);
  parent.RemoveChild(&clipped);
  parent.RemoveChild(&open);
}

}  // namespace
}  // namespace ZTools
