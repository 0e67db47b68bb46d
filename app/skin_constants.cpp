// Parsing and settling the skin's window constants.
#include "app/skin_constants.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>
#include <vector>

#include "ztools/zpanemanager.h"
#include "ztools/zview.h"

namespace ZTools {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
    s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
    s.remove_suffix(1);
  return s;
}

std::optional<int32_t> ParseDecimal(std::string_view s) {
  s = Trim(s);
  int32_t v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || s.empty())
    return std::nullopt;
  return v;
}

}  // namespace

std::optional<ZPoint> ParseWindowSize(std::string_view text) {
  const size_t comma = text.find(',');
  if (comma == std::string_view::npos)
    return std::nullopt;
  const auto w = ParseDecimal(text.substr(0, comma)), h = ParseDecimal(text.substr(comma + 1));
  if (!w || !h || *w < 1 || *h < 1 || *w > kMaxWindowSize || *h > kMaxWindowSize)
    return std::nullopt;
  return ZPoint(*w, *h);
}

int32_t ParseWindowStyle(std::string_view text) {
  std::string word(Trim(text));
  for (char& c : word)
    c = char(std::tolower(static_cast<unsigned char>(c)));
  static const struct {
    const char* word;
    int32_t style;
  } kStyles[] = {{"default", 1},  {"resizable", 1}, {"nomaximize", 2},
                 {"noresize", 3}, {"invisible", 4}, {"translucent", 5}};
  for (const auto& s : kStyles)
    if (word == s.word)
      return s.style;
  return 0;
}

bool IsNewerThanPlayer(std::string_view version) {
  version = Trim(version);
  const size_t dot = version.find('.');
  const std::string_view whole = version.substr(0, dot);
  const std::string_view fraction = dot == std::string_view::npos ? std::string_view() : version.substr(dot + 1);
  auto digits = [](std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (whole.empty() || !digits(whole) || !digits(fraction))
    return false;
  // Compare with 0.8: any whole part above 0 is newer; else the fraction digit by digit.
  if (std::any_of(whole.begin(), whole.end(), [](char c) { return c != '0'; }))
    return true;
  const std::string_view player = "8";
  for (size_t i = 0; i < std::max(fraction.size(), player.size()); i++) {
    const char a = i < fraction.size() ? fraction[i] : '0', b = i < player.size() ? player[i] : '0';
    if (a != b)
      return a > b;
  }
  return false;
}

SkinWindow ReadSkinWindow(ZPaneManager& manager) {
  SkinWindow window;
  auto constant = [&manager](const char* name) -> std::optional<std::string_view> {
    const ZString* text = manager.Host().GetVariable(name);
    return text ? std::optional<std::string_view>(text->View()) : std::nullopt;
  };
  auto size = [&constant](const char* name, ZRect& into) {
    if (auto text = constant(name))
      if (auto p = ParseWindowSize(*text))
        into = ZRect(0, 0, p->x, p->y);
  };
  if (ZView* root = manager.CurrentRoot(); root && root->Width() > 0 && root->Height() > 0)
    window.initial = ZRect(0, 0, std::min(root->Width(), kMaxWindowSize), std::min(root->Height(), kMaxWindowSize));
  size("initialwindowsize", window.initial);
  size("minwindowsize", window.minimum);
  size("maxwindowsize", window.maximum);
  if (auto text = constant("windowstyle"))
    window.style = ParseWindowStyle(*text);
  if (auto text = constant("version"))
    window.versionTooNew = IsNewerThanPlayer(*text);
  return window;
}

void ResolveSkinWindow(SkinWindow& w) {
  w.maximum.right = std::max(w.maximum.right, w.minimum.right);
  w.maximum.bottom = std::max(w.maximum.bottom, w.minimum.bottom);
  w.initial.right = std::clamp(w.initial.right, w.minimum.right, w.maximum.right);
  w.initial.bottom = std::clamp(w.initial.bottom, w.minimum.bottom, w.maximum.bottom);
  if (w.initial.right <= 0 || w.initial.bottom <= 0)
    w.initial = ZRect(0, 0, 320, 200);  // a skin with no size at all
  if (w.style == 1) {
    if (w.maximum.right == w.minimum.right && w.maximum.bottom == w.minimum.bottom)
      w.style = 3;
    else if (w.maximum.right != kMaxWindowSize || w.maximum.bottom != kMaxWindowSize)
      w.style = 2;
  }
}

std::optional<ZRect> ParseWindowRect(std::string_view text) {
  int32_t v[4];
  size_t n = 0;
  while (true) {
    const size_t comma = text.find(',');
    if (n == 4)
      return std::nullopt;
    auto value = ParseDecimal(text.substr(0, comma));
    if (!value)
      return std::nullopt;
    v[n++] = *value;
    if (comma == std::string_view::npos)
      break;
    text.remove_prefix(comma + 1);
  }
  if (n != 4)
    return std::nullopt;
  return ZRect(v[0], v[1], v[2], v[3]);
}

}  // namespace ZTools
