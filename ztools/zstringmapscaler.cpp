// ZStringMapScaler: reading the entries and matching values and texts.
#include "ztools/zstringmapscaler.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "ztools/base/zerror.h"
#include "ztools/zmarkupvalues.h"
#include "ztools/zparamformat.h"

namespace ZTools {
namespace {

bool Equal(double a, double b) { return std::fabs(a - b) <= 1e-4 * std::max(1.0, std::fabs(b)); }

bool Holds(const ZStringMapScaler::Entry& e, double v) {
  using C = ZStringMapScaler::Compare;
  const bool eq = Equal(v, e.number);
  switch (e.compare) {
    case C::kEqual: return eq;
    case C::kNotEqual: return !eq;
    case C::kLess: return v < e.number && !eq;
    case C::kLessEqual: return v < e.number || eq;
    case C::kGreater: return v > e.number && !eq;
    case C::kGreaterEqual: return v > e.number || eq;
  }
  return false;
}

// The number at the start of text, read from the characters a number may have.
bool LeadingNumber(std::string_view text, double& out) {
  text = TrimBlanks(text);
  size_t n = 0;
  while (n < text.size() && std::strchr("+-.0123456789eE", text[n]) && text[n] != '\0')
    ++n;
  std::string_view digits = text.substr(0, n);
  if (!digits.empty() && digits.front() == '+')
    digits.remove_prefix(1);
  if (digits.empty())
    return false;
  auto res = std::from_chars(digits.data(), digits.data() + digits.size(), out);
  return res.ec == std::errc() && std::isfinite(out);
}

}  // namespace

int32_t ZStringMapScaler::SetProperty(std::string_view name, std::string_view value) {
  if (name != "strings")
    return ZBasicScaler::SetProperty(name, value);
  std::vector<Entry> entries;
  double counter = 0;
  while (true) {
    const size_t comma = value.find(',');
    std::string_view item = value.substr(0, comma);
    const size_t op = item.find_first_of("=!<>");
    Entry e{ZString(TrimBlanks(item.substr(0, op))), Compare::kEqual, counter};
    if (op != std::string_view::npos) {
      std::string_view rest = item.substr(op);
      struct Op {
        std::string_view text;
        Compare compare;
      };
      static constexpr Op kOps[] = {{"==", Compare::kEqual},     {"!=", Compare::kNotEqual},
                                    {"<=", Compare::kLessEqual}, {">=", Compare::kGreaterEqual},
                                    {"=", Compare::kEqual},      {"<", Compare::kLess},
                                    {">", Compare::kGreater}};
      const Op* found = nullptr;
      for (const Op& o : kOps) {
        if (rest.substr(0, o.text.size()) == o.text) {
          found = &o;
          break;
        }
      }
      if (!found || !LeadingNumber(rest.substr(found->text.size()), e.number))
        return kZErrIllegalPropertyValue;
      e.compare = found->compare;
      if (found->compare == Compare::kEqual)
        counter = e.number;
    }
    entries.push_back(std::move(e));
    counter += 1;
    if (comma == std::string_view::npos)
      break;
    value.remove_prefix(comma + 1);
  }
  entries_ = std::move(entries);
  return 0;
}

ZString ZStringMapScaler::ValueToString(double value, const ZParameter& parameter) const {
  for (const Entry& e : entries_)
    if (Holds(e, value))
      return e.text;
  return ZBasicScaler::ValueToString(value, parameter);
}

bool ZStringMapScaler::StringToValue(std::string_view text, const ZParameter&, double& value) const {
  if (LeadingNumber(text, value))
    return true;
  const std::string_view wanted = TrimBlanks(text);
  for (const Entry& e : entries_) {
    if (e.text.View() == wanted) {
      value = e.number;
      return true;
    }
  }
  return false;
}

}  // namespace ZTools
