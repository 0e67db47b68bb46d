// The font table: fontconfig finds a face file for each row, FreeType sizes and renders it. The
// symbol row is drawn here, not taken from a face: the window symbols (minimise, maximise,
// restore, close, the four arrows, the check mark) are simple shapes in a square cell.
#include "ztools/zfont.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>
#include <string>

#include "ztools/base/zerror.h"

namespace ZTools {
namespace {

constexpr ZFontSpec kFonts[kFontCount] = {
    {"small standard", "Arial", 8, 0, 400, false, false, false},
    {"normal standard", "Arial", 12, 0, 400, false, true, false},
    {"big standard", "Arial", 14, 0, 400, false, true, false},
    {"small fixed width", "Courier New", 8, 0, 400, true, false, false},
    {"normal fixed width", "Courier New", 10, 0, 400, true, false, false},
    {"big fixed width", "Courier New", 12, 0, 400, true, false, false},
    {"small heading", "Arial", 10, 0, 700, false, true, false},
    {"normal heading", "Arial", 12, 0, 700, false, true, false},
    {"big heading", "Arial", 14, 0, 700, false, true, false},
    {"system font", "MS Sans Serif", 0, 11, 400, false, false, false},
    {"small font", "Small Fonts", 0, 9, 400, false, false, false},
    {"symbol font", "Marlett", 0, 9, 500, false, false, true},
};

// The families tried for a face the skins name, best first; fontconfig's generic names last.
std::vector<std::string> Families(std::string_view face) {
  if (face == "Arial")
    return {"Liberation Sans", "Arimo", "Arial", "DejaVu Sans", "sans-serif"};
  if (face == "Courier New")
    return {"Liberation Mono", "Cousine", "Courier New", "DejaVu Sans Mono", "monospace"};
  return {"DejaVu Sans", "Liberation Sans", "sans-serif"};
}

struct PatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

// Finds a face file through fontconfig. Prefers a family from the list that fontconfig really
// has; falls back to whatever fontconfig matches for the first one.
bool FindFace(const ZFontSpec& spec, std::string& file, int& index) {
  if (!FcInit())
    return false;
  std::string fallback;
  int fallbackIndex = 0;
  for (const std::string& family : Families(spec.face)) {
    Pattern pat(FcPatternCreate());
    if (!pat)
      return false;
    FcPatternAddString(pat.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pat.get(), FC_WEIGHT, spec.weight >= 700 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pat.get(), FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pat.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pat.get(), FcMatchPattern);
    FcDefaultSubstitute(pat.get());
    FcResult result;
    Pattern match(FcFontMatch(nullptr, pat.get(), &result));
    if (!match)
      continue;
    FcChar8* path = nullptr;
    FcChar8* matchedFamily = nullptr;
    int faceIndex = 0;
    if (FcPatternGetString(match.get(), FC_FILE, 0, &path) != FcResultMatch || !path)
      continue;
    FcPatternGetInteger(match.get(), FC_INDEX, 0, &faceIndex);
    bool exact = FcPatternGetString(match.get(), FC_FAMILY, 0, &matchedFamily) == FcResultMatch && matchedFamily &&
                 FcStrCmpIgnoreCase(matchedFamily, reinterpret_cast<const FcChar8*>(family.c_str())) == 0;
    if (exact) {
      file = reinterpret_cast<const char*>(path);
      index = faceIndex;
      return true;
    }
    if (fallback.empty()) {
      fallback = reinterpret_cast<const char*>(path);
      fallbackIndex = faceIndex;
    }
  }
  if (fallback.empty())
    return false;
  file = fallback;
  index = fallbackIndex;
  return true;
}

struct Library {
  FT_Library lib = nullptr;
  Library() {
    if (FT_Init_FreeType(&lib) != 0)
      lib = nullptr;
  }
  ~Library() {
    if (lib)
      FT_Done_FreeType(lib);
  }
};

class FreeTypeFont final : public ZFont {
 public:
  FreeTypeFont(FT_Face face, const ZFontSpec& spec, int32_t requested) : face_(face), antialiased_(spec.antialiased) {
    if (requested < 0) {
      FT_Set_Pixel_Sizes(face_, 0, FT_UInt(-requested));
    } else {
      // A positive height is the cell (ascent + descent): choose the em size that gives it.
      double cell = double(face_->ascender - face_->descender);
      if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2)); os2 && os2->usWinAscent)
        cell = double(os2->usWinAscent) + double(os2->usWinDescent);
      double em = cell > 0 ? requested * double(face_->units_per_EM) / cell : requested;
      FT_Set_Pixel_Sizes(face_, 0, FT_UInt(std::max(1.0, std::floor(em + 0.5))));
    }
    ascent_ = int32_t((face_->size->metrics.ascender + 63) >> 6);
    descent_ = int32_t((-face_->size->metrics.descender + 63) >> 6);
  }
  ~FreeTypeFont() override { FT_Done_Face(face_); }

  int32_t Ascent() const override { return ascent_; }
  int32_t Descent() const override { return descent_; }

  const ZGlyph& Glyph(uint32_t cp) override {
    auto it = cache_.find(cp);
    if (it != cache_.end())
      return it->second;
    ZGlyph& g = cache_[cp];
    FT_Int32 flags = FT_LOAD_RENDER | (antialiased_ ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME);
    if (FT_Load_Char(face_, cp, flags) != 0)
      return g;
    FT_GlyphSlot slot = face_->glyph;
    g.advance = int32_t((slot->advance.x + 32) >> 6);
    const FT_Bitmap& bm = slot->bitmap;
    if (bm.width == 0 || bm.rows == 0)
      return g;
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.width = int32_t(bm.width);
    g.height = int32_t(bm.rows);
    g.coverage.assign(size_t(g.width) * g.height, 0);
    for (int32_t y = 0; y < g.height; ++y) {
      const unsigned char* row = bm.buffer + ptrdiff_t(y) * bm.pitch;
      for (int32_t x = 0; x < g.width; ++x) {
        uint8_t v;
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
          v = (row[x >> 3] >> (7 - (x & 7)) & 1) ? 255 : 0;
        else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
          v = uint8_t(bm.num_grays == 256 ? row[x] : row[x] * 255 / std::max(1, bm.num_grays - 1));
        else
          v = 0;
        g.coverage[size_t(y) * g.width + x] = v;
      }
    }
    return g;
  }

 private:
  FT_Face face_;
  bool antialiased_;
  int32_t ascent_ = 0;
  int32_t descent_ = 0;
  std::unordered_map<uint32_t, ZGlyph> cache_;
};

// Draws the window symbols into a square cell whose side is the line height.
class SymbolFont final : public ZFont {
 public:
  explicit SymbolFont(int32_t cell) : cell_(std::max(cell, 5)) {}
  int32_t Ascent() const override { return cell_ - cell_ / 5; }
  int32_t Descent() const override { return cell_ / 5; }

  const ZGlyph& Glyph(uint32_t cp) override {
    auto it = cache_.find(cp);
    if (it != cache_.end())
      return it->second;
    ZGlyph& g = cache_[cp];
    const int n = cell_;
    g.advance = n;
    g.left = 0;
    g.top = Ascent();
    g.width = g.height = n;
    g.coverage.assign(size_t(n) * n, 0);
    auto set = [&](int x, int y) {
      if (x >= 0 && y >= 0 && x < n && y < n)
        g.coverage[size_t(y) * n + x] = 255;
    };
    auto box = [&](int l, int t, int r, int b, int topThickness) {
      for (int x = l; x <= r; ++x) {
        for (int k = 0; k < topThickness; ++k)
          set(x, t + k);
        set(x, b);
      }
      for (int y = t; y <= b; ++y) {
        set(l, y);
        set(r, y);
      }
    };
    const int lo = 1, hi = n - 2, mid = n / 2;
    switch (cp) {
      case '0':  // minimise: a bar at the bottom
        for (int x = lo; x <= hi - 2; ++x)
          set(x, hi), set(x, hi - 1);
        break;
      case '1':  // maximise: a window with a thick title bar
        box(lo, lo, hi, hi, 2);
        break;
      case '2':  // restore: two overlapping windows
        box(lo + 2, lo, hi, hi - 2, 2);
        box(lo, lo + 3, hi - 2, hi, 2);
        break;
      case 'r':  // close: a cross
        for (int i = lo; i <= hi; ++i) {
          set(i, i), set(i + 1, i);
          set(hi - (i - lo), i), set(hi - (i - lo) + 1, i);
        }
        break;
      case '3':  // arrow left
      case '4':  // arrow right
      case '5':  // arrow up
      case '6':  // arrow down
        for (int k = 0; k <= mid - lo; ++k)
          for (int j = -k; j <= k; ++j) {
            int along = cp == '3' || cp == '5' ? lo + 1 + k : hi - 1 - k;
            if (cp == '3' || cp == '4')
              set(along, mid + j);
            else
              set(mid + j, along);
          }
        break;
      case 'a':  // check mark
        for (int i = 0; i < n / 3; ++i)
          set(lo + i, mid + i), set(lo + i, mid + i + 1);
        for (int i = 0; lo + n / 3 + i <= hi; ++i)
          set(lo + n / 3 + i, mid + n / 3 - i), set(lo + n / 3 + i, mid + n / 3 - i - 1);
        break;
      default: g.coverage.clear(); g.width = g.height = 0;
    }
    return g;
  }

 private:
  int32_t cell_;
  std::unordered_map<uint32_t, ZGlyph> cache_;
};

// Stands in when no face can be opened: plausible metrics, nothing drawn.
class EmptyFont final : public ZFont {
 public:
  explicit EmptyFont(int32_t height) : height_(std::max(height, 4)) { glyph_.advance = height_ / 2; }
  int32_t Ascent() const override { return height_ - height_ / 5; }
  int32_t Descent() const override { return height_ / 5; }
  const ZGlyph& Glyph(uint32_t) override { return glyph_; }

 private:
  int32_t height_;
  ZGlyph glyph_;
};

struct FontTable {
  Library library;  // declared first: destroyed after the fonts that use it
  std::unique_ptr<ZFont> fonts[kFontCount];
  bool usedFontconfig = false;

  ~FontTable() {
    for (auto& font : fonts)
      font.reset();
    // Fontconfig keeps its configuration until told to let it go.
    if (usedFontconfig)
      FcFini();
  }
};

std::unique_ptr<ZFont> OpenFont(FontTable& table, int32_t index) {
  const ZFontSpec& spec = kFonts[index];
  int32_t requested = FontRequestedHeight(index);
  if (spec.symbol)
    return std::make_unique<SymbolFont>(requested);
  std::string file;
  int faceIndex = 0;
  FT_Face face = nullptr;
  FT_Library lib = table.library.lib;
  table.usedFontconfig = true;
  if (lib && FindFace(spec, file, faceIndex) && FT_New_Face(lib, file.c_str(), faceIndex, &face) == 0)
    return std::make_unique<FreeTypeFont>(face, spec, requested);
  return std::make_unique<EmptyFont>(std::abs(requested));
}

}  // namespace

const ZFontSpec& FontSpec(int32_t index) { return kFonts[std::clamp(index, 0, kFontCount - 1)]; }

int32_t FontIndexFromWord(std::string_view word) {
  while (!word.empty() && std::isspace(static_cast<unsigned char>(word.front())))
    word.remove_prefix(1);
  while (!word.empty() && std::isspace(static_cast<unsigned char>(word.back())))
    word.remove_suffix(1);
  for (int32_t i = 0; i < kFontCount; ++i) {
    std::string_view n = kFonts[i].word;
    if (n.size() != word.size())
      continue;
    bool same = true;
    for (size_t k = 0; k < n.size() && same; ++k)
      same = std::tolower(static_cast<unsigned char>(word[k])) == n[k];
    if (same)
      return i;
  }
  return kZErrIllegalPropertyValue;
}

int32_t FontRequestedHeight(int32_t index) {
  const ZFontSpec& spec = FontSpec(index);
  if (spec.points > 0)
    return -(spec.points * kScreenDPI / 72);
  return spec.pixels;
}

ZFont& GetFont(int32_t index) {
  static FontTable table;
  index = std::clamp(index, 0, kFontCount - 1);
  std::unique_ptr<ZFont>& font = table.fonts[index];
  if (!font)
    font = OpenFont(table, index);
  return *font;
}

}  // namespace ZTools
