// The error-text table: every code of both ranges, the borders around them, and the exception.
#include "ztools/base/zerror.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

using namespace ZTools;

TEST(ZErrorTest, TextTableMatchesEveryCodeAndRefusesTheRest) {
  EXPECT_STREQ(ZErrorText(kZErrUnspecified), "Unspecified error");
  EXPECT_STREQ(ZErrorText(kZErrNullPointer), "Null-pointer");
  EXPECT_STREQ(ZErrorText(kZErrIllegalParameter), "Illegal function parameter");
  EXPECT_STREQ(ZErrorText(kZErrFileOpenFailed), "File open failed");
  EXPECT_STREQ(ZErrorText(kZErrRegistryAccessFailed), "Registry access failed");
  EXPECT_STREQ(ZErrorText(kZErrAlreadyExists), "File or Object already exists");
  EXPECT_STREQ(ZErrorText(kZErrTypeNotRegistered), "Type identifier not registered");
  EXPECT_STREQ(ZErrorText(kZErrSyntax), "Syntax error");
  EXPECT_STREQ(ZErrorText(kZErrNotZmlRoot), "ZML Script must start / end with ZML tag");
  EXPECT_STREQ(ZErrorText(kZErrExternalDependency), "Can't add dependency for external object");
  EXPECT_STREQ(ZErrorText(kZErrImportRecursion), "Script import recursion detected");

  // Every code of both ranges has its own text; nothing next to the ranges has one.
  for (int32_t code = -1; code >= -19; --code)
    EXPECT_STRNE(ZErrorText(code), "UNDEFINED ERROR CODE") << code;
  for (int32_t code = -1025; code >= -1060; --code)
    EXPECT_STRNE(ZErrorText(code), "UNDEFINED ERROR CODE") << code;
  for (int32_t code : {0, 1, -20, -1024, -1061, 1025, INT32_MIN, INT32_MAX})
    EXPECT_STREQ(ZErrorText(code), "UNDEFINED ERROR CODE") << code;
}

TEST(ZErrorTest, ExceptionCarriesCodeAndText) {
  try {
    throw ZError(kZErrMismatchingEndTag);
  } catch (const std::exception& e) {
    const auto* error = dynamic_cast<const ZError*>(&e);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->Code(), -1031);
    EXPECT_STREQ(e.what(), "Mismatching end-tag");
  }
}
