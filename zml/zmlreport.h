// Plain-text views of a markup host for command-line tools: one line per reported error in the
// compiler style "FILE(LINE,COLUMN): error CODE: TEXT", and the built object tree, one object
// per line ("TYPE #NAME property='value' ..."), indented two spaces per level.
#pragma once

#include <cstdio>

#include "zml/zmlscripthost.h"

namespace ZTools {

ZString ZMLFormatDiagnostic(const ZMLDiagnostic& diagnostic);
// The node's line of the tree, without indentation: its tag, its reference name and the
// properties given in the document, in declaration order.
ZString ZMLDescribeNode(const ZMLNode& node);
// Writes every node below the root, depth first in document order; `annotate`, when given,
// appends what a layer above knows about a node's object (a pane's frame, say) to its line.
// Answers false when writing failed.
using ZMLNodeAnnotator = void (*)(const ZMLNode& node, ZString& line);
bool ZMLWriteTree(const ZMLScriptHost& host, FILE* to, ZMLNodeAnnotator annotate = nullptr);

}  // namespace ZTools
