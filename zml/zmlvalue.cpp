// Variable references and entities in markup values.
//
// The innermost reference (the last "$(" before the first ")") is replaced first, and reading
// goes on at the replaced text, so a variable's text that holds "$(" is expanded in turn. To
// stay linear however long or deeply nested a value is, every character is read once: the
// unread rest is held reversed (its front is the string's back, so taking text off the front
// and putting a variable's text in front of it cost only what moves), and the references
// still open wait on a stack.
#include "zml/zmlvalue.h"

#include <algorithm>
#include <string>
#include <vector>

#include "ztools/base/zerror.h"

namespace ZTools {
namespace {

void ExpandReferences(ZString& value, const ZMLVariableLookup& lookup) {
  // rest: the unread text, reversed. pending: the text from the earliest "$(" not yet closed
  // on, which holds no ")"; opens: where each of its "$(" begins. out: final text.
  std::string rest(value.View().rbegin(), value.View().rend());
  std::string out;
  std::string pending;
  std::vector<size_t> opens;
  out.reserve(value.Length());
  size_t replacements = 0;

  for (;;) {
    // Read on to the next ")" or "$(".
    size_t i = rest.size();
    bool close = false;
    bool open = false;
    for (; i > 0; --i) {
      const char c = rest[i - 1];
      if (c == ')') {
        close = true;
        break;
      }
      if (c == '$' && i >= 2 && rest[i - 2] == '(') {
        open = true;
        break;
      }
    }
    std::string& read = opens.empty() ? out : pending;
    read.append(rest.rbegin(), rest.rbegin() + static_cast<std::ptrdiff_t>(rest.size() - i));
    rest.resize(i);
    if (open) {
      opens.push_back(pending.size());
      pending.append("$(");
      rest.resize(i - 2);
      continue;
    }
    if (!close)
      break;  // the end: a "$(" never closed stays as it is
    rest.pop_back();
    if (opens.empty()) {
      out.push_back(')');
      continue;
    }
    // The innermost reference is complete: replace it and read its text in turn.
    std::string name = pending.substr(opens.back() + 2);
    std::transform(name.begin(), name.end(), name.begin(), [](char c) { return ZToLower(c); });
    const ZString* text = lookup ? lookup(name) : nullptr;
    if (!text)
      throw ZError(kZErrVariableNotDefined);
    if (++replacements > kZMLMaxReferencesPerValue)
      throw ZError(kZErrVariableSyntax);
    pending.resize(opens.back());
    opens.pop_back();
    rest.append(text->View().rbegin(), text->View().rend());
    if (rest.size() + out.size() + pending.size() > kZMLMaxValueLength)
      throw ZError(kZErrVariableSyntax);
  }
  out.append(pending);
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
    if (amp == std::string_view::npos)
      break;
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
  if (value.View().find("$(") != std::string_view::npos)
    ExpandReferences(value, lookup);
  if (value.View().find('&') != std::string_view::npos)
    ReplaceEntities(value);
}

}  // namespace ZTools
