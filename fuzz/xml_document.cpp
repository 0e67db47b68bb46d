// libFuzzer target for the XML classes: every input is read by XmlDocument.FromString in a script
// that walks the tree's first levels (names, types, character data and attributes through
// Enumerate and both iterators), copies each element's character data into an attribute, and
// prints the tree. The walk stays shallow because every level nests the interpreter once more,
// and its frame is large in this unoptimized build. The printed text, read and printed twice
// more, must settle: the second and third prints are equal, and a print that held a tree reads
// as one. Any crash, hang, sanitizer report or abort is a bug.
// fuzz-links: zbindings zcl zil
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bindings/zxmlclasses.h"
#include "zilcompiler.h"
#include "ziltools.h"

namespace {

constexpr const char* kScript =
    "import XmlDocument;\n"
    "int level = 0;\n"
    "function Visit(XmlNode n, var args) {\n"
    "  string seen = n.name + n.type + n.HasCData() + n.GetCData();\n"
    "  XmlAttrIterator a = n.GetAttrIterator();\n"
    "  for (; a.valid; a.GotoNext()) seen = seen + a.name + a.value;\n"
    "  if (n.type == XmlNode::kNode) n.SetAttribute(\"fuzz\", n.GetCData());\n"
    "  XmlNodeIterator it = n.GetNodeIterator();\n"
    "  if (it.GotoLast()) do { seen = seen + it.name + it.type; } while (it.GotoPrev());\n"
    "  if (level < 6) { level++; n.Enumerate(Visit, args); level--; }\n"
    "}\n"
    "function string Walk(const string text) { XmlDocument d = new XmlDocument(text);\n"
    "  d.Enumerate(\"\", Visit, null); return d.ToString(); }\n"
    "function string Print(const string text) { XmlDocument d = new XmlDocument(text); return (string) d; }\n";

struct Runtime {
  ZILState* ps = nullptr;
  unsigned runs = 0;
};

Runtime& Shared() {
  static Runtime rt = [] {
    Runtime r;
    r.ps = ZILInitialize();
    ZILError e = r.ps ? ZILInitializeCompiler(r.ps) : ZIL_ERR_Initialize_Failed;
    if (!e)
      e = ZILRegisterNativeType(r.ps, ZTools::XmlDocumentTypeProc);
    if (!e)
      e = ZCLCompile(r.ps, "fuzz.zc", kScript);
    if (!e)
      e = ZCLLink(r.ps);
    if (!e)
      e = ZILRun(r.ps);
    if (e) {
      std::fprintf(stderr, "xml_document: the script did not start (%d)\n", e);
      std::abort();
    }
    return r;
  }();
  return rt;
}

// The script's function `name` called with text; aborts when the call fails, since no input may
// make it fail. The function is looked up each time: the collector frees what only C++ holds.
std::string Call(Runtime& rt, const char* name, const std::string& text) {
  ZILHandle* fn = ZILGetFunction(rt.ps, name);
  ZILHandle* arg = nullptr;
  if (!fn || ZILNewString(rt.ps, text.data(), ZILLong(text.size()), &arg) != 0)
    std::abort();
  ZILHandle* r = ZILCallFunction(rt.ps, fn, 1, ZIL_ARG_HANDLE, arg);
  NTLFreeHandle(rt.ps, arg);
  NTLFreeHandle(rt.ps, fn);
  if (!r || r->type != ZIL_TYPE_STRING) {
    std::fprintf(stderr, "xml_document: %s failed (%d)\n", name, r ? NTLHandleToError(rt.ps, r) : -1);
    std::abort();
  }
  const auto* s = static_cast<const ZILString*>(r->payload.p);
  std::string out(ZILStringText(s), size_t(s->length));
  NTLFreeHandle(rt.ps, r);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Runtime& rt = Shared();
  const std::string first = Call(rt, "Walk", std::string(reinterpret_cast<const char*>(data), size));
  const std::string second = Call(rt, "Print", first);
  const std::string third = Call(rt, "Print", second);
  if (second != third || first.empty() != second.empty()) {
    std::fprintf(stderr, "xml_document: printing does not settle:\n--- 1\n%s\n--- 2\n%s\n--- 3\n%s\n", first.c_str(),
                 second.c_str(), third.c_str());
    std::abort();
  }
  if (++rt.runs % 256 == 0)
    ZILCollectGarbage(rt.ps);
  return 0;
}
