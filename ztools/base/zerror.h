// ZError: the framework's exception, carrying one 32-bit signed code, and the names and texts
// of the framework's codes. -1..-19 are general codes, -1025..-1060 belong to the markup; both
// share one table of texts. Operations throw ZError inside and return its code at their boundary.
#pragma once

#include <cstdint>
#include <exception>

namespace ZTools {

// General framework codes.
inline constexpr int32_t kZErrUnspecified = -1;
inline constexpr int32_t kZErrNullPointer = -2;
inline constexpr int32_t kZErrOutOfMemory = -3;
inline constexpr int32_t kZErrIllegalParameter = -4;
inline constexpr int32_t kZErrObjectCreationFailed = -5;
inline constexpr int32_t kZErrNotFound = -6;
inline constexpr int32_t kZErrFileAlreadyOpen = -7;
inline constexpr int32_t kZErrFileNotOpen = -8;
inline constexpr int32_t kZErrFileReadFailed = -9;
inline constexpr int32_t kZErrFileWriteFailed = -10;
inline constexpr int32_t kZErrFileOpenFailed = -11;
inline constexpr int32_t kZErrFileCloseFailed = -12;
inline constexpr int32_t kZErrObjectNotAvailable = -13;
inline constexpr int32_t kZErrIllegalObjectType = -14;
inline constexpr int32_t kZErrObjectAttachFailed = -15;
inline constexpr int32_t kZErrObjectDetachFailed = -16;
inline constexpr int32_t kZErrRegistryAccessFailed = -17;
inline constexpr int32_t kZErrNotSupported = -18;
inline constexpr int32_t kZErrAlreadyExists = -19;

// Markup codes.
inline constexpr int32_t kZErrTypeNotRegistered = -1025;
inline constexpr int32_t kZErrTypeAlreadyRegistered = -1026;
inline constexpr int32_t kZErrReferenceNotDefined = -1027;
inline constexpr int32_t kZErrReferenceAlreadyDefined = -1028;
inline constexpr int32_t kZErrUnknownProperty = -1029;
inline constexpr int32_t kZErrSyntax = -1030;
inline constexpr int32_t kZErrMismatchingEndTag = -1031;
inline constexpr int32_t kZErrMissingEndTag = -1032;
inline constexpr int32_t kZErrCannotAttachObject = -1033;
inline constexpr int32_t kZErrEndOfScript = -1034;
inline constexpr int32_t kZErrRequiredPropertyMissing = -1035;
inline constexpr int32_t kZErrRootNotDefined = -1036;
inline constexpr int32_t kZErrTooManyNestedTags = -1037;  // in the table, never raised
inline constexpr int32_t kZErrIllegalPropertyValue = -1038;
inline constexpr int32_t kZErrIncompatibleChild = -1039;
inline constexpr int32_t kZErrMultiplyDefinedProperty = -1040;
inline constexpr int32_t kZErrNotZmlRoot = -1041;
inline constexpr int32_t kZErrVariableSyntax = -1042;
inline constexpr int32_t kZErrVariableNotDefined = -1043;
inline constexpr int32_t kZErrTooManyArguments = -1044;
inline constexpr int32_t kZErrTooFewArguments = -1045;
inline constexpr int32_t kZErrIllegalIdentifier = -1046;
inline constexpr int32_t kZErrInterfaceMismatch = -1047;
inline constexpr int32_t kZErrNoInstance = -1048;
inline constexpr int32_t kZErrPropertyAlreadyDefined = -1049;
inline constexpr int32_t kZErrBranchAlreadyCreated = -1050;
inline constexpr int32_t kZErrBranchNotCreated = -1051;
inline constexpr int32_t kZErrCannotAlias = -1052;
inline constexpr int32_t kZErrCannotDetachObject = -1053;
inline constexpr int32_t kZErrExternalDependency = -1054;
inline constexpr int32_t kZErrTooManySubTagReceivers = -1055;
inline constexpr int32_t kZErrImportFailed = -1056;
inline constexpr int32_t kZErrRequiredChildMissing = -1057;
inline constexpr int32_t kZErrTooManyChildren = -1058;
inline constexpr int32_t kZErrConstantAlreadyDefined = -1059;
inline constexpr int32_t kZErrImportRecursion = -1060;

// The text of a framework or markup code; "UNDEFINED ERROR CODE" for any other code.
// The pointer is to static text and stays valid forever.
const char* ZErrorText(int32_t code) noexcept;

class ZError : public std::exception {
 public:
  explicit ZError(int32_t code) noexcept : code_(code) {}

  int32_t Code() const noexcept { return code_; }
  const char* Text() const noexcept { return ZErrorText(code_); }
  const char* what() const noexcept override { return ZErrorText(code_); }

 private:
  int32_t code_;
};

}  // namespace ZTools
