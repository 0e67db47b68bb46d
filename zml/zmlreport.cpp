// Diagnostics and object trees as text. The tree is walked with an explicit stack, so a
// document of any depth prints without recursion.
#include "zml/zmlreport.h"

#include <string>
#include <vector>

#include "ztools/base/zerror.h"

namespace ZTools {
namespace {

// Quotes a value on one line: line breaks, tabs, backslashes and apostrophes are escaped.
void AppendQuoted(ZString& out, const ZString& value) {
  out.Append('\'');
  for (char c : value.View()) {
    switch (c) {
      case '\n': out.Append("\\n"); break;
      case '\r': out.Append("\\r"); break;
      case '\t': out.Append("\\t"); break;
      case '\\': out.Append("\\\\"); break;
      case '\'': out.Append("\\'"); break;
      default: out.Append(c); break;
    }
  }
  out.Append('\'');
}

}  // namespace

ZString ZMLFormatDiagnostic(const ZMLDiagnostic& diagnostic) {
  const char* stream = diagnostic.stream.IsEmpty() ? "(registration)" : diagnostic.stream.CStr();
  return ZString::Formatted("%s(%d,%d): error %d: %s", stream, diagnostic.line, diagnostic.column, diagnostic.code,
                            ZErrorText(diagnostic.code));
}

ZString ZMLDescribeNode(const ZMLNode& node) {
  ZString line = node.TypeName();
  if (!node.Name().IsEmpty())
    line.Append(" #").Append(node.Name());
  const ZMLTypeDecl& type = node.Type();
  for (size_t i = 0; i < node.Values().size() && i < type.properties.size(); ++i) {
    if (!node.Values()[i].given)
      continue;
    line.Append(' ').Append(type.properties[i].name).Append('=');
    AppendQuoted(line, node.Values()[i].value);
  }
  return line;
}

bool ZMLWriteTree(const ZMLScriptHost& host, FILE* to, ZMLNodeAnnotator annotate) {
  const ZMLNode* root = host.Root();
  if (!root)
    return true;
  struct Frame {
    const ZMLNode* node;
    size_t depth;
  };
  std::vector<Frame> stack;
  for (size_t i = root->Children().size(); i-- > 0;)
    stack.push_back({root->Children()[i], 0});
  std::string indent;
  while (!stack.empty()) {
    const Frame frame = stack.back();
    stack.pop_back();
    indent.assign(frame.depth * 2, ' ');
    ZString line = ZMLDescribeNode(*frame.node);
    if (annotate)
      annotate(*frame.node, line);
    if (std::fprintf(to, "%s%s\n", indent.c_str(), line.CStr()) < 0)
      return false;
    const auto& children = frame.node->Children();
    for (size_t i = children.size(); i-- > 0;)
      stack.push_back({children[i], frame.depth + 1});
  }
  return std::fflush(to) == 0;
}

}  // namespace ZTools
