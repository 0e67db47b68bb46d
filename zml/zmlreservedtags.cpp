// Handlers of the reserved tags. Each collects its attributes (an unknown one is
// kZErrUnknownProperty, one given twice kZErrPropertyAlreadyDefined) and acts when the tag is
// complete (a missing required one is kZErrRequiredPropertyMissing).
#include "zml/zmlreservedtags.h"

#include <memory>
#include <utility>
#include <vector>

#include "zml/zmlscripthost.h"
#include "ztools/base/zerror.h"

namespace ZTools {
namespace {

class ReservedTag : public ZMLTagHandler {
 public:
  int32_t Begin(const ZString& tagName, ZMLTagHandler* enclosing, ZMLScriptHost&) override {
    name_ = tagName;
    enclosing_ = enclosing;
    return 0;
  }
  int32_t Finish(ZMLTagHandler*, ZMLScriptHost&) override { return 0; }
  const ZMLTypeDecl* TypeDecl() const override { return nullptr; }
  const ZString& Name() const override { return name_; }

 protected:
  // Stores value in slot unless it was given already.
  static int32_t Take(ZString& slot, bool& given, const ZString& value) {
    if (given)
      return kZErrPropertyAlreadyDefined;
    slot = value;
    given = true;
    return 0;
  }
  // The node that objects made by this tag go under.
  ZMLNode* ParentNode(ZMLScriptHost& host) const {
    if (!enclosing_)
      return host.CurrentParent();
    ZMLNode* node = enclosing_->Node();
    if (!node)
      throw ZError(kZErrCannotAttachObject);
    return node;
  }

  ZString name_;
  ZMLTagHandler* enclosing_ = nullptr;
};

class VariableTag : public ReservedTag {
 public:
  explicit VariableTag(bool constant) : constant_(constant) {}

  int32_t Attribute(const ZString& name, const ZString& value, ZMLScriptHost&) override {
    if (name.View() == "name")
      return Take(variable_, hasName_, value);
    if (name.View() == "value")
      return Take(value_, hasValue_, value);
    return kZErrUnknownProperty;
  }

  int32_t End(ZMLScriptHost& host) override {
    if (!hasName_ || !hasValue_)
      return kZErrRequiredPropertyMissing;
    if (const ZString* existing = host.GetVariable(variable_.View()); existing == nullptr) {
      // A new variable's value is processed once more as it is defined.
      if (const int32_t code = host.ProcessValue(value_); code != 0)
        return code;
    }
    return host.DefineVariable(variable_.View(), value_.View(), constant_);
  }

 private:
  bool constant_;
  ZString variable_, value_;
  bool hasName_ = false, hasValue_ = false;
};

class AliasTag : public ReservedTag {
 public:
  int32_t Attribute(const ZString& name, const ZString& value, ZMLScriptHost&) override {
    if (name.View() == "name")
      return Take(alias_, hasName_, value);
    if (name.View() == "type")
      return Take(type_, hasType_, value);
    for (const auto& preset : presets_)
      if (preset.first == name)
        return kZErrPropertyAlreadyDefined;
    presets_.emplace_back(name, value);
    return 0;
  }

  int32_t End(ZMLScriptHost& host) override {
    if (!hasName_ || !hasType_)
      return kZErrRequiredPropertyMissing;
    host.RegisterAlias(alias_.View(), type_.View(), presets_);
    return 0;
  }

 private:
  ZString alias_, type_;
  bool hasName_ = false, hasType_ = false;
  std::vector<std::pair<ZString, ZString>> presets_;
};

class ImportTag : public ReservedTag {
 public:
  int32_t Attribute(const ZString& name, const ZString& value, ZMLScriptHost&) override {
    if (name.View() == "file")
      return Take(file_, hasFile_, value);
    if (name.View() == "path")
      return Take(path_, hasPath_, value);
    if (name.View() == "depth")
      return Take(depth_, hasDepth_, value);
    return kZErrUnknownProperty;
  }

  int32_t End(ZMLScriptHost& host) override {
    if (!hasFile_ && !hasPath_)
      return kZErrRequiredPropertyMissing;
    int32_t depth = 1;
    if (hasDepth_ && (!depth_.ToInt32(depth) || depth < 1))
      return kZErrIllegalPropertyValue;
    ZMLNode* parent = ParentNode(host);
    if (hasFile_)
      host.ImportFile(file_.View(), parent);
    if (hasPath_)
      host.ImportFolder(path_.View(), depth, parent);
    return 0;
  }

 private:
  ZString file_, path_, depth_;
  bool hasFile_ = false, hasPath_ = false, hasDepth_ = false;
};

class DefineGroupTag : public ReservedTag {
 public:
  int32_t Attribute(const ZString& name, const ZString& value, ZMLScriptHost&) override {
    if (name.View() == "name")
      return Take(group_, hasName_, value);
    if (name.View() == "types")
      return Take(types_, hasTypes_, value);
    return kZErrUnknownProperty;
  }

  int32_t End(ZMLScriptHost& host) override {
    if (!hasName_ || !hasTypes_)
      return kZErrRequiredPropertyMissing;
    host.DefineGroup(group_.View(), types_.View());
    return 0;
  }

 private:
  ZString group_, types_;
  bool hasName_ = false, hasTypes_ = false;
};

}  // namespace

void ZMLRegisterReservedTags(ZMLScriptHost& host) {
  host.RegisterTagHandler("var", [] { return std::make_unique<VariableTag>(false); });
  host.RegisterTagHandler("const", [] { return std::make_unique<VariableTag>(true); });
  host.RegisterTagHandler("alias", [] { return std::make_unique<AliasTag>(); });
  host.RegisterTagHandler("import", [] { return std::make_unique<ImportTag>(); });
  host.RegisterTagHandler("definegroup", [] { return std::make_unique<DefineGroupTag>(); });
}

}  // namespace ZTools
