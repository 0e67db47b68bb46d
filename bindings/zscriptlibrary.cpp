// The standard script classes and their registration for runtimes without a skin.
#include "bindings/zscriptlibrary.h"

#include "bindings/zscriptprelude.h"
#include "bindings/zutilityclasses.h"
#include "bindings/zvalueclasses.h"
#include "bindings/zxmlclasses.h"
#include "zilcompiler.h"
#include "ziltools.h"

namespace ZTools {
namespace {

constexpr NTLTypeProc kLibrary[] = {ColorTypeProc,  PointTypeProc, RectTypeProc, BitmapTypeProc,
                                    RandomTypeProc, TimerTypeProc, MathTypeProc, XmlDocumentTypeProc};

}  // namespace

std::span<const NTLTypeProc> ScriptLibraryTypeProcs() { return kLibrary; }

ZILError RegisterScriptLibrary(ZILState* ps) {
  for (NTLTypeProc proc : kLibrary)
    if (ZILError e = ZILRegisterNativeType(ps, proc))
      return e;
  return ZCLCompile(ps, "library", ScriptNoiseGeneratorPrelude().c_str());
}

}  // namespace ZTools
