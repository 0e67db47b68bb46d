// Option parser tests: the table's ranges and defaults, boolean words, integer bases,
// left-to-right application, rejected values leaving the option unchanged, and the fallback.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "zentra/compiler/zcloption.h"

namespace {

ZILError parse(ZCLOption* o, const char* text, ZCLOptionFallback fb = nullptr, void* user = nullptr) {
  return ZCLParseOption(o, text, std::strlen(text), fb, user);
}

struct Runtime {
  int callStackSize = 0;
  std::vector<std::string> seen;
};

// Stands in for the runtime's handler: knows one option, rejects values below 16.
ZILError runtimeOptions(void* user, const char* name, const char* value) {
  auto* rt = static_cast<Runtime*>(user);
  rt->seen.push_back(std::string(name) + "=" + value);
  if (std::strcmp(name, "call-stack-size") != 0)
    return ZCL_WARN_Unknown_Option;
  int v = std::atoi(value);
  if (v < 16)
    return ZCL_WARN_Invalid_Option_Value;
  rt->callStackSize = v;
  return ZCL_OK;
}

}  // namespace

TEST(Options, DefaultsAndNameTables) {
  ZCLOption o;
  EXPECT_EQ(o.verbose, 0);
  EXPECT_EQ(o.warningLevel, 3);
  EXPECT_EQ(o.stackLocals, 2);
  EXPECT_EQ(o.optimize, 3);
  EXPECT_EQ(o.useRtchk, 1);
  EXPECT_EQ(o.fileImport, 1);
  EXPECT_EQ(o.errorFormat, kZCLErrorFormatDefault);
  EXPECT_EQ(o.fileExt, "zc");
  EXPECT_TRUE(o.usingList.empty());

  const char* names[] = {"verbose",   "warning-level", "stack-locals", "optimize",
                         "use-rtchk", "file-ext",      "file-import",  "error-format"};
  for (int i = 0; i < 8; i++)
    EXPECT_EQ(ZCLFindOptionName(names[i]), i + 1) << names[i];
  EXPECT_EQ(ZCLFindOptionName("Verbose"), 0);  // exact comparison
  EXPECT_EQ(ZCLFindOptionName("verbose "), 0);
  EXPECT_EQ(ZCLFindErrorFormat("default"), 1);
  EXPECT_EQ(ZCLFindErrorFormat("ms"), 2);
  EXPECT_EQ(ZCLFindErrorFormat("gnu"), 3);
  EXPECT_EQ(ZCLFindErrorFormat("MS"), 0);
}

TEST(Options, ValuesInRangeAreTakenOthersLeaveTheOptionUnchanged) {
  ZCLOption o;
  EXPECT_EQ(parse(&o, "  warning-level = 1 "), ZCL_OK);
  EXPECT_EQ(o.warningLevel, 1);
  EXPECT_EQ(parse(&o, "warning-level=5"), ZCL_WARN_Invalid_Option_Value);
  for (const char* bad : {"warning-level=-1", "warning-level=", "warning-level", "warning-level=abc",
                          "warning-level=99999999999999999999"})
    EXPECT_EQ(parse(&o, bad), ZCL_WARN_Invalid_Option_Value) << bad;
  EXPECT_EQ(o.warningLevel, 1);

  // Automatic base; trailing characters after a number are ignored.
  EXPECT_EQ(parse(&o, "warning-level=0x2"), ZCL_OK);
  EXPECT_EQ(o.warningLevel, 2);
  EXPECT_EQ(parse(&o, "warning-level=03"), ZCL_OK);
  EXPECT_EQ(o.warningLevel, 3);
  EXPECT_EQ(parse(&o, "warning-level=09"), ZCL_OK);  // octal: only the 0 is read
  EXPECT_EQ(o.warningLevel, 0);
  EXPECT_EQ(parse(&o, "warning-level=2x"), ZCL_OK);
  EXPECT_EQ(o.warningLevel, 2);

  // Boolean words, as whole values only.
  EXPECT_EQ(parse(&o, "verbose=on"), ZCL_OK);
  EXPECT_EQ(o.verbose, 1);
  EXPECT_EQ(parse(&o, "verbose = no"), ZCL_OK);
  EXPECT_EQ(o.verbose, 0);
  EXPECT_EQ(parse(&o, "verbose=yes"), ZCL_OK);
  EXPECT_EQ(parse(&o, "verbose=2"), ZCL_WARN_Invalid_Option_Value);
  EXPECT_EQ(parse(&o, "verbose=True"), ZCL_WARN_Invalid_Option_Value);  // words are exact
  EXPECT_EQ(o.verbose, 1);
  EXPECT_EQ(parse(&o, "use-rtchk=false"), ZCL_OK);
  EXPECT_EQ(o.useRtchk, 0);
  EXPECT_EQ(parse(&o, "file-import=off"), ZCL_OK);
  EXPECT_EQ(o.fileImport, 0);
  // register-locals (an addition to the table): 1 to 16, default 5.
  EXPECT_EQ(ZCLFindOptionName("register-locals"), 9);
  EXPECT_EQ(o.registerLocals, 5);
  EXPECT_EQ(parse(&o, "register-locals=12"), ZCL_OK);
  EXPECT_EQ(o.registerLocals, 12);
  EXPECT_EQ(parse(&o, "register-locals=0"), ZCL_WARN_Invalid_Option_Value);
  EXPECT_EQ(parse(&o, "register-locals=17"), ZCL_WARN_Invalid_Option_Value);
  EXPECT_EQ(o.registerLocals, 12);

  // stack-locals is stored as 0 or 2; optimize 3 also turns it on.
  EXPECT_EQ(parse(&o, "stack-locals=0"), ZCL_OK);
  EXPECT_EQ(o.stackLocals, 0);
  EXPECT_EQ(parse(&o, "stack-locals=2"), ZCL_WARN_Invalid_Option_Value);
  EXPECT_EQ(parse(&o, "optimize=2"), ZCL_OK);
  EXPECT_EQ(o.stackLocals, 0);
  EXPECT_EQ(parse(&o, "optimize=3"), ZCL_OK);
  EXPECT_EQ(o.stackLocals, 2);
  EXPECT_EQ(parse(&o, "optimize=4"), ZCL_WARN_Invalid_Option_Value);
  EXPECT_EQ(o.optimize, 3);

  EXPECT_EQ(parse(&o, "error-format=ms"), ZCL_OK);
  EXPECT_EQ(o.errorFormat, kZCLErrorFormatMS);
  EXPECT_EQ(parse(&o, "error-format=2"), ZCL_WARN_Invalid_Option_Value);
  EXPECT_EQ(parse(&o, "error-format=default"), ZCL_OK);
  EXPECT_EQ(o.errorFormat, kZCLErrorFormatDefault);

  EXPECT_EQ(parse(&o, "file-ext=zone"), ZCL_OK);  // not turned into "z1e"
  EXPECT_EQ(o.fileExt, "zone");
  EXPECT_EQ(parse(&o, "file-ext = My_Ext2"), ZCL_OK);
  EXPECT_EQ(o.fileExt, "My_Ext2");
  for (const char* bad : {"file-ext=", "file-ext=a.b", "file-ext=../x", "file-ext=a b", "file-ext=\xe9"})
    EXPECT_EQ(parse(&o, bad), ZCL_WARN_Invalid_Option_Value) << bad;
  EXPECT_EQ(o.fileExt, "My_Ext2");
}

TEST(Options, UnknownNamesGoToTheFallback) {
  ZCLOption o;
  std::string name;
  EXPECT_EQ(ZCLParseOption(&o, "colour = red", 12, nullptr, nullptr, &name), ZCL_WARN_Unknown_Option);
  EXPECT_EQ(name, "colour");

  Runtime rt;
  EXPECT_EQ(parse(&o, "call-stack-size = 64", runtimeOptions, &rt), ZCL_OK);
  EXPECT_EQ(rt.callStackSize, 64);
  EXPECT_EQ(parse(&o, "call-stack-size=8", runtimeOptions, &rt), ZCL_WARN_Invalid_Option_Value);
  EXPECT_EQ(parse(&o, "log-garbage=on", runtimeOptions, &rt), ZCL_WARN_Unknown_Option);
  EXPECT_EQ(rt.seen.back(), "log-garbage=1");  // the fallback sees the translated value
  // Table names never reach the fallback.
  rt.seen.clear();
  parse(&o, "verbose=7", runtimeOptions, &rt);
  EXPECT_TRUE(rt.seen.empty());
}

TEST(Options, OptionStringsApplyLeftToRightAndListRejections) {
  ZCLOption o;
  std::vector<ZCLOptionRejection> rejected;
  EXPECT_EQ(ZCLApplyOptionString(&o, "optimize=3, stack-locals=0", nullptr, nullptr, &rejected), ZCL_OK);
  EXPECT_EQ(o.stackLocals, 0);
  EXPECT_TRUE(rejected.empty());

  EXPECT_EQ(ZCLApplyOptionString(&o, "", nullptr, nullptr, &rejected), ZCL_OK);
  EXPECT_EQ(ZCLApplyOptionString(&o, nullptr, nullptr, nullptr, &rejected), ZCL_OK);
  EXPECT_EQ(ZCLApplyOptionString(&o, " ;, ;", nullptr, nullptr, &rejected), ZCL_OK);
  EXPECT_TRUE(rejected.empty());

  EXPECT_EQ(
      ZCLApplyOptionString(&o, "warning-level=5; bogus = 1 ,verbose=1;error-format=ms", nullptr, nullptr, &rejected),
      ZCL_OK);
  ASSERT_EQ(rejected.size(), 2u);
  EXPECT_EQ(rejected[0].code, ZCL_WARN_Invalid_Option_Value);
  EXPECT_EQ(rejected[0].token, "warning-level=5");
  EXPECT_EQ(rejected[1].code, ZCL_WARN_Unknown_Option);
  EXPECT_EQ(rejected[1].token, "bogus");
  EXPECT_EQ(o.warningLevel, 3);
  EXPECT_EQ(o.verbose, 1);
  EXPECT_EQ(o.errorFormat, kZCLErrorFormatMS);

  // Without a list the rejections are simply skipped.
  EXPECT_EQ(ZCLApplyOptionString(&o, "x=1,verbose=0", nullptr, nullptr, nullptr), ZCL_OK);
  EXPECT_EQ(o.verbose, 0);
}
