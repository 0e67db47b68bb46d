// The lexical and tag level of ZML: one run over one text, from the root tag <zml> to its end
// tag, handing every tag, attribute and text element to tag handlers. Open tags are kept on an
// explicit stack, so any nesting depth is parsed without recursion.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "zml/zmltaghandler.h"
#include "ztools/base/zstring.h"
#include "ztools/base/zstringparser.h"

namespace ZTools {

class ZMLScriptHost;

class ZMLTagParserRun {
 public:
  ZMLTagParserRun(ZMLScriptHost& host, std::string_view text);
  ~ZMLTagParserRun();

  // Parses the whole text; throws ZError with the first error's code. Handlers still open
  // then are destroyed by Abandon (or the destructor).
  void Run();
  void Abandon();

  // Where the scanner stands (for error messages).
  ZStringParser::Location Location() const { return in_.CurrentLocation(); }
  // Where the tag being read began (for the nodes it makes).
  ZStringParser::Location TagLocation();

 private:
  void SkipToNextTag();
  void ParseRootTag();
  void ParseElementTag(std::unique_ptr<ZMLTagHandler> handler);
  void ParseTextElement();
  // Reads an end tag; answers true when it was the root's.
  bool ParseEndTag();
  void ReadTagName();
  void CloseCurrent();
  void SkipBlanks();
  void Check(int32_t code);
  [[noreturn]] void Fail(int32_t code);

  ZMLScriptHost& host_;
  ZStringParser in_;
  std::unique_ptr<ZMLTagHandler> current_;
  std::vector<std::unique_ptr<ZMLTagHandler>> stack_;  // enclosing handlers; null = top level
  ZString name_;
  ZString attribute_;
  ZString value_;
  ZString word_;
  size_t tagStart_ = 0;
  // Incremental line counting up to tagStart_, so node locations cost O(text) in total.
  size_t countedTo_ = 0;
  int32_t line_ = 1;
  size_t lineStart_ = 0;
  bool lastWasLoneBreak_ = false;
  static constexpr size_t kNoBreak = static_cast<size_t>(-1);
  static constexpr size_t kNotSearched = static_cast<size_t>(-2);
  size_t NextBreak(char c, size_t& cached);
  size_t nextLineFeed_ = kNotSearched;  // the next LF at or after countedTo_ (kNoBreak: none)
  size_t nextReturn_ = kNotSearched;    // the same for CR
};

}  // namespace ZTools
