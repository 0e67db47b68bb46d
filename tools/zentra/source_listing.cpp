// Source lines for `zentra list`: each file the listing names is split into lines once, with the
// compiler's line breaks (CR, LF, CR LF and LF CR are one break each), so the numbers match.
#include "tools/zentra/source_listing.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace ZTools {

namespace {

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); i++) {
    const char c = text[i];
    if (c != '\n' && c != '\r')
      continue;
    lines.push_back(text.substr(start, i - start));
    if (i + 1 < text.size() && (text[i + 1] == '\n' || text[i + 1] == '\r') && text[i + 1] != c)
      i++;
    start = i + 1;
  }
  lines.push_back(text.substr(start));
  return lines;
}

struct SourceFiles {
  std::map<std::string, std::vector<std::string>> files;

  const std::vector<std::string>& linesOf(const std::string& name) {
    auto found = files.find(name);
    if (found != files.end())
      return found->second;
    std::string text;
    std::ifstream in(name, std::ios::binary);
    if (in) {
      std::ostringstream all;
      all << in.rdbuf();
      text = all.str();
    }
    return files[name] = in ? splitLines(text) : std::vector<std::string>{};
  }
};

ZILError sourceText(void* user, const ZILChar* file, ZILLong line, ZILChar* text, ZILLong size) {
  const std::vector<std::string>& lines = static_cast<SourceFiles*>(user)->linesOf(file);
  if (line < 1 || static_cast<size_t>(line) > lines.size() || size <= 0)
    return ZIL_ERR_Symbol_Not_Found;
  std::snprintf(text, static_cast<size_t>(size), "%s", lines[static_cast<size_t>(line) - 1].c_str());
  return 0;
}

}  // namespace

void ListCodeWithSource(ZILState* ps, const std::string& mainFile, const std::string& mainText) {
  SourceFiles sources;
  sources.files[mainFile] = splitLines(mainText);
  ZILListCodeWithSource(ps, stdout, sourceText, &sources);
}

}  // namespace ZTools
