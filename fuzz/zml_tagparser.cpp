// libFuzzer target for the markup parser: every input is parsed and built as a ZML document
// (with a few object types, variables and aliases available) and read as a type declaration.
// Any crash, hang or sanitizer report is a bug.
// fuzz-links: zml ztools sonabel_platform
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/dialog.h"
#include "zml/zmlevent.h"
#include "zml/zmlscripthost.h"
#include "ztools/base/zerror.h"

namespace {

using namespace ZTools;

class FuzzObject : public IEventListener {
 public:
  explicit FuzzObject(const char* declaration) : declaration_(declaration) {}
  int32_t OnEvent(ZEvent* event) override {
    if (event->Id() == kZMLEventGetTypeDecl)
      static_cast<ZMLEventGetTypeDecl*>(event)->SetDeclaration(declaration_);
    // A property value "fail" makes the object refuse it, to exercise runtime errors.
    if (event->Id() == kZMLEventSetProperty && static_cast<ZMLEventSetProperty*>(event)->Value().View() == "fail")
      return kZErrIllegalPropertyValue;
    return 0;
  }

 private:
  const char* declaration_;
};

const char* const kDeclarations[] = {
    "interface_zpane::box flags? pos? text='hi'? ( interface_zpane* )",
    "interface_zpane::item flags? value? ()",
    "interface_zpanel::panel need border='yes'? ( item+ box? )",
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    Platform::SetDialogSink([](std::string_view, std::string_view, Platform::DialogKind) {});
    return true;
  }();
  (void)quiet;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  ZMLScriptHost host;
  host.Initialize();
  for (const char* declaration : kDeclarations)
    host.RegisterType([declaration]() -> IEventListener* { return new FuzzObject(declaration); });
  host.DefineVariable("w", "10", false);
  host.DefineVariable("open", "$(", false);
  host.ParseText("<zml><alias name='big' type='box' text='big'/><definegroup name='g' types='box* item?'/></zml>");
  host.ParseText(text);
  host.Teardown();

  ZMLTypeDecl decl;
  try {
    ZMLParseTypeDecl(text, decl);
  } catch (const ZError&) {
  }
  return 0;
}
