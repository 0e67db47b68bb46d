// Variable references and entities in markup values.
//
// A reference is replaced and searching resumes where it began, so a variable's text that holds
// "$(" is expanded in turn. To keep long values with many references linear, the unread rest
// of the value is held reversed: its front is the string's back, so taking text off the front
// and putting a variable's text in front of it cost only the length of what moves.
#include "zml/zmlvalue.h"

#include <algorithm>
#include <string>

#include "ztools/zerror.h"

namespace ZTools {
namespace {

void ExpandReferences(ZString& value, const ZMLVariableLookup& lookup) {
  std::string rest(value.View().rbegin(), value.View().rend());
  std::string out;
  out.reserve(value.Length());
  size_t replacements = 0;

  for (;;) {
    // The next "$(" ahead is the last "($" in the reversed rest.
    const size_t open = rest.rfind("($");
    if (open == std::string::npos) break;
    // Everything ahead of it is final.
    out.append(rest.rbegin(), rest.rbegin() + static_cast<std::ptrdiff_t>(rest.size() - (open + 2)));
    rest.resize(open + 2);
    if (open == 0) break;  // nothing follows the "$(": no ")"
    const size_t close = rest.rfind(')', open - 1);
    if (close == std::string::npos) break;  // no ")" at all: the rest stays as it is
    // The innermost reference: the last "$(" before that ")".
    const size_t inner = rest.find("($", close + 1);
    std::string name(rest.rbegin() + static_cast<std::ptrdiff_t>(rest.size() - inner),
                     rest.rbegin() + static_cast<std::ptrdiff_t>(rest.size() - close - 1));
    std::transform(name.begin(), name.end(), name.begin(), [](char c) { return ZToLower(c); });
    const ZString* text = lookup ? lookup(name) : nullptr;
    if (!text) throw ZError(kZErrVariableNotDefined);
    if (++replacements > kZMLMaxReferencesPerValue) throw ZError(kZErrVariableSyntax);

    // rest = [after ")"] [reference] [between outer and inner "$("], all reversed.
    const std::string between = rest.substr(inner + 2);
    rest.resize(close);
    rest.append(text->View().rbegin(), text->View().rend());
    rest.append(between);
    if (rest.size() + out.size() > kZMLMaxValueLength) throw ZError(kZErrVariableSyntax);
  }
  out.append(rest.rbegin(), rest.rend());
  value.Assign(out);
}

// Replaces the four entities in one pass. Replacing them one after the other (&lt; &gt; &quot;
// and &amp; last, never rescanning) gives the same text: a replacement leaves one character that
// cannot be part of an entity, and entities only contain '&' at their start, so no two matches
// overlap and no replacement creates a match for a later one.
void ReplaceEntities(ZString& value) {
  const std::string_view in = value.View();
  std::string out;
  out.reserve(in.size());
  size_t i = 0;
  for (;;) {
    const size_t amp = in.find('&', i);
    out.append(in.substr(i, amp == std::string_view::npos ? std::string_view::npos : amp - i));
    if (amp == std::string_view::npos) break;
    const std::string_view rest = in.substr(amp);
    if (rest.starts_with("&lt;")) {
      out.push_back('<');
      i = amp + 4;
    } else if (rest.starts_with("&gt;")) {
      out.push_back('>');
      i = amp + 4;
    } else if (rest.starts_with("&quot;")) {
      out.push_back('"');
      i = amp + 6;
    } else if (rest.starts_with("&amp;")) {
      out.push_back('&');
      i = amp + 5;
    } else {
      out.push_back('&');
      i = amp + 1;
    }
  }
  value.Assign(out);
}

}  // namespace

void ZMLProcessValue(ZString& value, const ZMLVariableLookup& lookup) {
  if (value.View().find("$(") != std::string_view::npos) ExpandReferences(value, lookup);
  if (value.View().find('&') != std::string_view::npos) ReplaceEntities(value);
}

}  // namespace ZTools
