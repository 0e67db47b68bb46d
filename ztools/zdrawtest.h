// The drawing test sheet: one image showing every blend mode, the gradients and transitions,
// the 3-D frame styles, the twelve fonts and the text alignments on a labelled grid, for people
// to look at after changing the drawing code ("sonabel-skin draw-test OUT.png").
#pragma once

#include <cstdint>
#include <string>

namespace ZTools {

class ZDrawContext;

// Size of the sheet in pixels.
inline constexpr int32_t kDrawTestWidth = 760;
inline constexpr int32_t kDrawTestHeight = 740;

// Draws the sheet into dc, which is resized to the sheet's size. 0 or the codes of Create.
int32_t DrawTestSheet(ZDrawContext& dc);
// Draws the sheet and writes it as a PNG file. 0, or kZErrFileWriteFailed when the file cannot be
// written.
int32_t WriteDrawTestSheet(const std::string& path);

}  // namespace ZTools
