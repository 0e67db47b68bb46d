// The declaration grammar of markup types. Blanks (space, tab, CR, LF) may stand between all
// items; names run to the next delimiter of their item and are checked as identifiers after.
#include "zml/zmltypedecl.h"

#include <string_view>

#include "ztools/base/zerror.h"

namespace ZTools {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

class DeclScanner {
 public:
  explicit DeclScanner(std::string_view text) : text_(text) {}

  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
  void Advance(size_t n = 1) { pos_ = pos_ + n > text_.size() ? text_.size() : pos_ + n; }
  bool StartsWith(std::string_view s) const { return text_.substr(pos_).starts_with(s); }

  // Skips blanks; the declaration must go on after them.
  void SkipBlanksRequiringMore() {
    while (!AtEnd() && IsBlank(text_[pos_]))
      ++pos_;
    if (AtEnd())
      throw ZError(kZErrSyntax);
  }

  // Reads up to a blank or any character of stops; the text must go on after it.
  std::string_view ReadUpTo(std::string_view stops) {
    const size_t start = pos_;
    while (!AtEnd() && !IsBlank(text_[pos_]) && stops.find(text_[pos_]) == std::string_view::npos)
      ++pos_;
    if (AtEnd())
      throw ZError(kZErrSyntax);
    return text_.substr(start, pos_ - start);
  }

  std::string_view Rest() const { return text_.substr(pos_); }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

std::string_view RequireIdentifier(std::string_view name) {
  if (name.empty())
    throw ZError(kZErrSyntax);
  if (!ZMLIsIdentifier(name))
    throw ZError(kZErrIllegalIdentifier);
  return name;
}

}  // namespace

bool ZMLIsIdentifier(std::string_view name) noexcept {
  if (name.empty())
    return false;
  for (char c : name) {
    const bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || c == '_';
    if (!ok)
      return false;
  }
  return true;
}

int ZMLTypeDecl::FindProperty(std::string_view name) const noexcept {
  for (size_t i = 0; i < properties.size(); ++i)
    if (properties[i].name.View() == name)
      return static_cast<int>(i);
  return -1;
}

void ZMLParseTypeDecl(std::string_view declaration, ZMLTypeDecl& decl) {
  DeclScanner in(declaration);
  decl.properties.clear();
  decl.children.clear();
  decl.anyChildren = false;

  in.SkipBlanksRequiringMore();
  decl.interfaceName = RequireIdentifier(in.ReadUpTo(":"));
  in.SkipBlanksRequiringMore();
  if (!in.StartsWith("::"))
    throw ZError(kZErrSyntax);
  in.Advance(2);
  in.SkipBlanksRequiringMore();
  decl.typeName = RequireIdentifier(in.ReadUpTo("("));

  // Properties, up to the opening parenthesis of the child list.
  for (;;) {
    in.SkipBlanksRequiringMore();
    if (in.Peek() == '(')
      break;
    ZMLPropertyDecl property;
    property.name = RequireIdentifier(in.ReadUpTo("?=("));
    if (decl.FindProperty(property.name) >= 0)
      throw ZError(kZErrMultiplyDefinedProperty);
    in.SkipBlanksRequiringMore();
    if (in.Peek() == '=') {
      in.Advance();
      in.SkipBlanksRequiringMore();
      const char quote = in.Peek();
      std::string_view value;
      if (quote == '\'' || quote == '"') {
        in.Advance();
        const std::string_view rest = in.Rest();
        const size_t close = rest.find(quote);
        if (close == std::string_view::npos || close == 0)
          throw ZError(kZErrSyntax);
        value = rest.substr(0, close);
        in.Advance(close + 1);
      } else {
        value = in.ReadUpTo("?(");
        if (value.empty())
          throw ZError(kZErrSyntax);
      }
      property.defaultValue = value;
      property.hasDefault = true;
      in.SkipBlanksRequiringMore();
    }
    if (in.Peek() == '?') {
      property.optional = true;
      in.Advance();
    }
    decl.properties.push_back(std::move(property));
  }

  // Children: "(...)", "()" or a list of names with optional quantity marks.
  in.Advance();  // '('
  in.SkipBlanksRequiringMore();
  if (in.StartsWith("...")) {
    decl.anyChildren = true;
    in.Advance(3);
    in.SkipBlanksRequiringMore();
    if (in.Peek() != ')')
      throw ZError(kZErrSyntax);
  } else {
    while (in.Peek() != ')') {
      ZMLChildDecl child;
      child.name = RequireIdentifier(in.ReadUpTo("?*+)"));
      in.SkipBlanksRequiringMore();
      switch (in.Peek()) {
        case '?':
          child.quantity = ZMLQuantity::kAtMostOne;
          in.Advance();
          break;
        case '*':
          child.quantity = ZMLQuantity::kAny;
          in.Advance();
          break;
        case '+':
          child.quantity = ZMLQuantity::kOneOrMore;
          in.Advance();
          break;
        default: break;
      }
      decl.children.push_back(std::move(child));
      in.SkipBlanksRequiringMore();
    }
  }
  in.Advance();  // ')'
  for (char c : in.Rest())
    if (!IsBlank(c))
      throw ZError(kZErrSyntax);
}

}  // namespace ZTools
