// The ZML tag loop. Between tags only blanks, comments "<!-- -->" and "<?xml ?>" declarations
// may stand. A tag is either an element (a reserved tag or a registered type), which gets a
// handler, or a text element "<prop>text</prop>", a property of the enclosing element given as
// content. Every failure is thrown as ZError; the host catches it at the parse's boundary.
#include "zml/zmltagparser.h"

#include <cstring>

#include "zml/zmldefaulttag.h"
#include "zml/zmlscripthost.h"
#include "ztools/base/zerror.h"

namespace ZTools {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";
constexpr std::string_view kNameChars = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_";
constexpr std::string_view kBlanksOrClose = " \t\r\n>";
constexpr std::string_view kAttributeNameStops = " \t\r\n='>";
constexpr std::string_view kWordStops = " \t\r\n<";

}  // namespace

ZMLTagParserRun::ZMLTagParserRun(ZMLScriptHost& host, std::string_view text) : host_(host), in_(text) {}

ZMLTagParserRun::~ZMLTagParserRun() { Abandon(); }

void ZMLTagParserRun::Abandon() {
  current_.reset();
  while (!stack_.empty())
    stack_.pop_back();  // innermost first
}

void ZMLTagParserRun::Fail(int32_t code) { throw ZError(code); }

void ZMLTagParserRun::SkipBlanks() {
  // Most calls stand on a non-blank already; the scanner's set is only built when needed.
  const char c = in_.Peek();
  if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
    in_.Skip(kBlanks);
}

void ZMLTagParserRun::Check(int32_t code) {
  if (code != 0)
    throw ZError(code);
}

size_t ZMLTagParserRun::NextBreak(char c, size_t& cached) {
  // The cached hit is searched to the end of the text, so each character is looked at once.
  if (cached == kNoBreak || (cached != kNotSearched && cached >= countedTo_))
    return cached;
  const std::string_view text = in_.Text().View();
  const void* hit = std::memchr(text.data() + countedTo_, c, text.size() - countedTo_);
  cached = hit ? static_cast<size_t>(static_cast<const char*>(hit) - text.data()) : kNoBreak;
  return cached;
}

ZStringParser::Location ZMLTagParserRun::TagLocation() {
  // Jumps from line break to line break; CR LF and LF CR count as one break, as in the scanner.
  const std::string_view text = in_.Text().View();
  while (countedTo_ < tagStart_) {
    const size_t lf = NextBreak('\n', nextLineFeed_);
    const size_t cr = NextBreak('\r', nextReturn_);
    const size_t i = lf < cr ? lf : cr;
    if (i >= tagStart_) {
      countedTo_ = tagStart_;
      lastWasLoneBreak_ = false;
      break;
    }
    if (lastWasLoneBreak_ && i == countedTo_ && i > 0 && text[i - 1] != text[i]) {
      lastWasLoneBreak_ = false;  // second character of CR LF or LF CR
    } else {
      ++line_;
      lastWasLoneBreak_ = true;
    }
    lineStart_ = i + 1;
    countedTo_ = i + 1;
    if (countedTo_ < tagStart_ && text[countedTo_] != '\r' && text[countedTo_] != '\n')
      lastWasLoneBreak_ = false;
  }
  return {line_, static_cast<int32_t>(tagStart_ - lineStart_)};
}

void ZMLTagParserRun::SkipToNextTag() {
  for (;;) {
    SkipBlanks();
    if (in_.AtEnd())
      Fail(kZErrEndOfScript);
    if (in_.Peek() != '<')
      Fail(kZErrSyntax);
    tagStart_ = in_.Position();
    in_.Advance();
    if (in_.TestLiteral("!--")) {
      const ptrdiff_t end = in_.FindLiteral("-->");
      if (end < 0)
        Fail(kZErrSyntax);
      in_.Advance(static_cast<size_t>(end) + 3);
      continue;
    }
    if (in_.TestLiteral("?xml")) {
      const ptrdiff_t end = in_.FindLiteral("?>");
      if (end < 0)
        Fail(kZErrSyntax);
      in_.Advance(static_cast<size_t>(end) + 2);
      continue;
    }
    return;
  }
}

void ZMLTagParserRun::ParseRootTag() {
  try {
    SkipToNextTag();
  } catch (const ZError&) {
    Fail(kZErrNotZmlRoot);
  }
  SkipBlanks();
  if (in_.AtEnd())
    Fail(kZErrNotZmlRoot);
  if (in_.ReadUntil(kBlanksOrClose, name_) == 0)
    Fail(kZErrNotZmlRoot);
  SkipBlanks();
  if (!name_.Equals("zml"))
    Fail(kZErrNotZmlRoot);
  // The root takes no attributes: the next character is taken as its '>' unseen.
  if (in_.Advance(1) == 0)
    Fail(kZErrSyntax);
}

void ZMLTagParserRun::Run() {
  ParseRootTag();
  for (;;) {
    try {
      SkipToNextTag();
    } catch (const ZError& e) {
      Fail(e.Code() == kZErrEndOfScript ? kZErrMissingEndTag : e.Code());
    }
    SkipBlanks();
    if (in_.AtEnd())
      Fail(kZErrSyntax);
    if (in_.Peek() == '/') {
      if (ParseEndTag())
        return;
      continue;
    }
    ReadTagName();
    SkipBlanks();
    if (const ZMLTagHandlerFactory* reserved = host_.FindTagHandler(name_.View())) {
      ParseElementTag((*reserved)());
    } else if (const ZMLTypeDecl* type = host_.FindType(name_.View())) {
      ParseElementTag(std::make_unique<ZMLDefaultTag>(type));
    } else if (current_ && current_->TypeDecl() && current_->TypeDecl()->FindProperty(name_.View()) >= 0) {
      ParseTextElement();
    } else {
      Fail(kZErrTypeNotRegistered);
    }
  }
}

void ZMLTagParserRun::ReadTagName() {
  if (in_.ReadWhile(kNameChars, name_) == 0 || in_.AtEnd())
    Fail(kZErrSyntax);
  name_.MakeLower();
}

void ZMLTagParserRun::ParseElementTag(std::unique_ptr<ZMLTagHandler> handler) {
  ZMLTagHandler* enclosing = current_.get();
  stack_.push_back(std::move(current_));
  current_ = std::move(handler);
  if (!current_)
    Fail(kZErrNullPointer);
  Check(current_->Begin(name_, enclosing, host_));

  bool empty = false;
  for (;;) {
    if (in_.AtEnd())
      Fail(kZErrSyntax);
    const char c = in_.Peek();
    if (c == '>')
      break;
    if (c == '/') {
      in_.Advance();
      SkipBlanks();
      if (in_.Peek() != '>' || in_.AtEnd())
        Fail(kZErrSyntax);
      empty = true;
      break;
    }
    if (in_.ReadUntil(kAttributeNameStops, attribute_) == 0 || in_.AtEnd())
      Fail(kZErrSyntax);
    attribute_.MakeLower();
    SkipBlanks();
    if (in_.Peek() != '=' || in_.AtEnd())
      Fail(kZErrSyntax);
    in_.Advance();
    SkipBlanks();
    const char quote = in_.Peek();
    if (in_.AtEnd() || (quote != '"' && quote != '\''))
      Fail(kZErrSyntax);
    if (in_.ReadEnclosed(quote, quote, value_) <= 0)
      Fail(kZErrSyntax);
    Check(host_.ProcessValue(value_));
    Check(current_->Attribute(attribute_, value_, host_));
    SkipBlanks();
  }
  in_.Advance();  // '>'
  if (empty)
    CloseCurrent();
}

void ZMLTagParserRun::CloseCurrent() {
  if (stack_.empty())
    Fail(kZErrObjectNotAvailable);
  Check(current_->End(host_));
  Check(current_->Finish(stack_.back().get(), host_));
  current_ = std::move(stack_.back());
  stack_.pop_back();
}

void ZMLTagParserRun::ParseTextElement() {
  if (in_.AtEnd() || in_.Peek() != '>')
    Fail(kZErrSyntax);
  in_.Advance();
  value_.Clear();
  for (;;) {
    SkipBlanks();
    if (in_.AtEnd())
      Fail(kZErrSyntax);
    if (in_.TestLiteral("<!--")) {
      const ptrdiff_t end = in_.FindLiteral("-->");
      if (end < 0)
        Fail(kZErrSyntax);
      in_.Advance(static_cast<size_t>(end) + 3);
      continue;
    }
    if (in_.TestLiteral("</")) {
      in_.Advance(2);
      in_.ReadUntil(kBlanksOrClose, word_);
      if (!word_.Equals(name_.View()))
        Fail(kZErrSyntax);
      SkipBlanks();
      if (in_.AtEnd() || in_.Peek() != '>')
        Fail(kZErrSyntax);
      in_.Advance();
      break;
    }
    // Any other '<' would start a word of no characters and never move on.
    if (in_.Peek() == '<')
      Fail(kZErrSyntax);
    in_.ReadUntil(kWordStops, word_);
    if (!value_.IsEmpty())
      value_.Append(' ');
    value_.Append(word_);
  }
  Check(host_.ProcessValue(value_));
  Check(current_->Attribute(name_, value_, host_));
}

bool ZMLTagParserRun::ParseEndTag() {
  in_.Advance();  // '/'
  if (stack_.empty()) {
    SkipBlanks();
    if (in_.AtEnd())
      Fail(kZErrNotZmlRoot);
    if (in_.ReadUntil(kBlanksOrClose, name_) == 0)
      Fail(kZErrNotZmlRoot);
    SkipBlanks();
    if (!name_.Equals("zml"))
      Fail(kZErrNotZmlRoot);
    if (in_.Advance(1) == 0)
      Fail(kZErrSyntax);
    return true;
  }
  if (in_.ReadWhile(kNameChars, name_) == 0 || in_.AtEnd())
    Fail(kZErrSyntax);
  SkipBlanks();
  if (in_.AtEnd() || in_.Peek() != '>')
    Fail(kZErrSyntax);
  in_.Advance();
  if (!name_.Equals(current_->Name().View()))
    Fail(kZErrMismatchingEndTag);
  CloseCurrent();
  return false;
}

}  // namespace ZTools
