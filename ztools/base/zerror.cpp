// The table of texts shared by the framework's general codes and the markup's codes.
// The two ranges are dense, so the lookup indexes an array instead of walking the table.
#include "ztools/base/zerror.h"

namespace ZTools {
namespace {

// Texts of -1 .. -19, in order.
constexpr const char* kGeneralTexts[] = {
    "Unspecified error",
    "Null-pointer",
    "Out of memory",
    "Illegal function parameter",
    "Object creation failed",
    "File or object not found",
    "File already open",
    "File not open",
    "File read failed",
    "File write failed",
    "File open failed",
    "File close failed",
    "Object not available",
    "Illegal object type",
    "Object attach failed",
    "Object detach failed",
    "Registry access failed",
    "Feature not supported",
    "File or Object already exists",
};

// Texts of -1025 .. -1060, in order.
constexpr const char* kMarkupTexts[] = {
    "Type identifier not registered",
    "Type identifier already registered",
    "Reference object not defined",
    "Reference object already defined",
    "Unknown property",
    "Syntax error",
    "Mismatching end-tag",
    "Missing end-tag",
    "Cannot attach object",
    "Reached end of script",
    "Required property missing",
    "Root object not defined",
    "Too many nested tags",
    "Illegal property value",
    "Child has incompatible type",
    "Multiply defined property",
    "ZML Script must start / end with ZML tag",
    "Variable reference syntax error",
    "Variable not defined",
    "Too many arguments in property value",
    "Too few arguments in property value",
    "Illegal identifier name",
    "Interface name mismatch",
    "No instance of reference object",
    "Property already defined",
    "Branch already created",
    "Branch not created",
    "Type cannot be aliased",
    "Cannot detach object",
    "Can't add dependency for external object",
    "Too many sub-tag receivers defined",
    "Error importing script file",
    "Required child object missing",
    "Too many child objects of this type",
    "Constant already defined",
    "Script import recursion detected",
};

constexpr int64_t kGeneralCount = sizeof(kGeneralTexts) / sizeof(kGeneralTexts[0]);
constexpr int64_t kMarkupCount = sizeof(kMarkupTexts) / sizeof(kMarkupTexts[0]);
static_assert(kGeneralCount == -kZErrAlreadyExists);
static_assert(kMarkupCount == kZErrTypeNotRegistered - kZErrImportRecursion + 1);

}  // namespace

const char* ZErrorText(int32_t code) noexcept {
  const int64_t general = -int64_t{code} - 1;  // 64-bit: -INT32_MIN must not overflow
  if (general >= 0 && general < kGeneralCount)
    return kGeneralTexts[general];
  const int64_t markup = int64_t{kZErrTypeNotRegistered} - code;
  if (markup >= 0 && markup < kMarkupCount)
    return kMarkupTexts[markup];
  return "UNDEFINED ERROR CODE";
}

}  // namespace ZTools
