// Diagnostics tests: the message table, both message formats with and without a file, warning
// levels, flushing to the message log, fatal errors and the self-test roll-back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zentra/compiler/zcldiag.h"
#include "zentra/compiler/zclmessages.h"

namespace {

struct Sink {
  std::vector<std::string> log;
  std::vector<std::string> fatal;
};

void logProc(void* user, const char* text) { static_cast<Sink*>(user)->log.push_back(text); }

void fatalProc(void* user, const char* text) { static_cast<Sink*>(user)->fatal.push_back(text); }

// A file whose read position is at `token` in `src`.
ZCLFile fileAt(const char* name, const std::string& src, const std::string& token) {
  ZCLFile f;
  ZCLFileOpen(&f, name, src.data(), src.size());
  ZCLFileSetPosition(&f, src.find(token));
  return f;
}

}  // namespace

TEST(Messages, TableIsCompleteOrderedAndHasSentinel) {
  // Every error 1200..1281 and warning 1500..1517, ascending, errors at level 0.
  std::vector<int> codes;
  for (size_t i = 0; i < ZCLMessageCount(); i++)
    codes.push_back(ZCLMessageAt(i)->code);
  std::vector<int> expected;
  for (int c = 1200; c <= 1281; c++)
    expected.push_back(c);
  for (int c = 1500; c <= 1517; c++)
    expected.push_back(c);
  EXPECT_EQ(codes, expected);
  for (int c = 1200; c <= 1281; c++)
    EXPECT_EQ(ZCLFindMessage(c)->level, 0) << c;

  EXPECT_STREQ(ZCLFindMessage(1200)->text, "Unexpected End of file");
  EXPECT_STREQ(ZCLFindMessage(1213)->text, "Undefined identifier");
  EXPECT_STREQ(ZCLFindMessage(1269)->text, "Interface is declared 'pure native' and cannot be implemented by script");
  EXPECT_STREQ(ZCLFindMessage(1281)->text, "Delegate does not define a name for all arguments");
  EXPECT_STREQ(ZCLFindMessage(1517)->text, "Function declared but not defined, generating default code");
  // Warning levels, including the level-4 ones no option value can show.
  const std::pair<int, int> levels[] = {{1500, 2}, {1501, 1}, {1503, 3}, {1505, 1},
                                        {1511, 4}, {1512, 4}, {1513, 4}, {1514, 2}};
  for (auto [code, level] : levels)
    EXPECT_EQ(ZCLFindMessage(code)->level, level) << code;
  // Codes outside the table, including the gap and the sentinel's own code.
  for (int c : {0, 1199, 1282, 1499, 1518, -5, 99999}) {
    EXPECT_EQ(ZCLFindMessage(c)->code, 1518) << c;
    EXPECT_EQ(ZCLFindMessage(c)->level, 0) << c;
    EXPECT_STREQ(ZCLFindMessage(c)->text, "UNKNOWN COMPILER ERROR CODE");
  }
}

TEST(Diagnostics, ErrorFormats) {
  ZCLFile f = fileAt("a.zc", "int x;\n\nint foo = bar;\n", "foo");  // line 3, column 5
  ZCLOption ms;
  ms.errorFormat = kZCLErrorFormatMS;
  ZCLDiagnostics d;
  EXPECT_EQ(ZCLReportError(&d, &f, nullptr, "foo", 1213), 1213);
  EXPECT_EQ(ZCLReportError(&d, &f, &ms, "foo", 1213), 1213);
  EXPECT_EQ(ZCLReportError(&d, nullptr, &ms, "f", 1218), 1218);
  EXPECT_EQ(ZCLReportError(&d, nullptr, nullptr, nullptr, 1218), 1218);
  EXPECT_EQ(ZCLReportError(&d, &f, nullptr, "", 1242), 1242);       // empty token still shown
  EXPECT_EQ(ZCLReportError(&d, &f, nullptr, nullptr, 4242), 4242);  // unknown code
  ASSERT_EQ(d.messages.size(), 6u);
  EXPECT_EQ(d.messages[0], "Error 1213: 'foo' - Undefined identifier in a.zc (3,5)\n");
  EXPECT_EQ(d.messages[1], "a.zc(3): Error 1213: 'foo' - Undefined identifier\n");
  EXPECT_EQ(d.messages[2], "Error 1218: 'f' - Function declared but not defined\n");
  EXPECT_EQ(d.messages[3], "Error 1218: Function declared but not defined\n");
  EXPECT_EQ(d.messages[4], "Error 1242: '' - Missing ';' at end of statement in a.zc (3,5)\n");
  EXPECT_EQ(d.messages[5], "Error 4242: UNKNOWN COMPILER ERROR CODE in a.zc (3,5)\n");
  EXPECT_EQ(d.errors, 6);
  EXPECT_EQ(d.warnings, 0);

  // The gnu format; a detail follows the table text in every format.
  ZCLOption gnu;
  gnu.errorFormat = kZCLErrorFormatGNU;
  ZCLDiagnostics g;
  ZCLReportError(&g, &f, &gnu, "foo", 1213);
  ZCLReportError(&g, nullptr, &gnu, "f", 1218);
  ZCLReportWarning(&g, &f, &gnu, "verbos", 1503);
  ZCLReportError(&g, &f, &gnu, "foo", 1213, "a hint");
  ZCLReportError(&g, &f, &ms, "foo", 1213, "a hint");
  ZCLReportError(&g, &f, nullptr, "foo", 1213, "a hint");
  EXPECT_EQ(g.messages, (std::vector<std::string>{
                            "a.zc:3:5: error 1213: 'foo' - Undefined identifier\n",
                            "error 1218: 'f' - Function declared but not defined\n",
                            "a.zc:3:5: warning 1503: 'verbos' - Ignoring unknown compiler option\n",
                            "a.zc:3:5: error 1213: 'foo' - Undefined identifier (a hint)\n",
                            "a.zc(3): Error 1213: 'foo' - Undefined identifier (a hint)\n",
                            "Error 1213: 'foo' - Undefined identifier (a hint) in a.zc (3,5)\n",
                        }));

  // A token of any size and with format characters is shown whole and verbatim.
  std::string big(10000, 'x');
  big += "%s%n%d";
  ZCLReportError(&d, &f, nullptr, big.c_str(), 1201);
  EXPECT_EQ(d.messages.back(), "Error 1201: '" + big + "' - Unexpected token in a.zc (3,5)\n");
}

TEST(Diagnostics, WarningsRespectTheLevel) {
  ZCLFile f = fileAt("w.zc", "\tx = y;", "x");  // column 5 after the tab
  ZCLDiagnostics d;
  ZCLOption opt;  // level 3
  EXPECT_EQ(ZCLReportWarning(&d, &f, &opt, "verbos", 1503), 1503);
  EXPECT_EQ(ZCLReportWarning(&d, &f, &opt, nullptr, 1511), 1511);  // level 4: never shown
  opt.errorFormat = kZCLErrorFormatMS;
  ZCLReportWarning(&d, &f, &opt, nullptr, 1501);
  ZCLReportWarning(&d, nullptr, &opt, nullptr, 1517);
  ASSERT_EQ(d.messages.size(), 3u);
  EXPECT_EQ(d.messages[0], "Warning 1503(3): 'verbos' - Ignoring unknown compiler option in w.zc (1,5)\n");
  EXPECT_EQ(d.messages[1], "w.zc(1): Warning 1501(1): Dangerous cast to typeless, L-Value not typeless\n");
  EXPECT_EQ(d.messages[2], "Warning 1517(3): Function declared but not defined, generating default code\n");
  EXPECT_EQ(d.warnings, 3);
  EXPECT_EQ(d.errors, 0);

  // Level 1 shows only level-1 warnings; level 0 shows none and counts none.
  ZCLDiagnostics d1;
  opt.warningLevel = 1;
  ZCLReportWarning(&d1, &f, &opt, nullptr, 1505);
  ZCLReportWarning(&d1, &f, &opt, nullptr, 1500);
  EXPECT_EQ(d1.warnings, 1);
  ZCLDiagnostics d0;
  opt.warningLevel = 0;
  for (int c = 1500; c <= 1517; c++)
    EXPECT_EQ(ZCLReportWarning(&d0, &f, &opt, nullptr, c), c);
  EXPECT_EQ(d0.warnings, 0);
  EXPECT_TRUE(d0.messages.empty());
}

TEST(Diagnostics, FlushWritesEachMessageOnce) {
  Sink sink;
  ZCLDiagnostics d;
  ZCLReportError(&d, nullptr, nullptr, nullptr, 1200);
  ZCLFlushMessages(&d);  // no log installed: marked written all the same
  d.messageLog = logProc;
  d.user = &sink;
  ZCLReportError(&d, nullptr, nullptr, "a", 1213);
  ZCLReportWarning(&d, nullptr, nullptr, nullptr, 1510);
  ZCLFlushMessages(&d);
  ZCLFlushMessages(&d);
  ASSERT_EQ(sink.log.size(), 2u);
  EXPECT_EQ(sink.log[0], "Error 1213: 'a' - Undefined identifier\n");
  EXPECT_EQ(sink.log[1], "Warning 1510(3): Code is not reachable, function already returned\n");
  EXPECT_EQ(d.messages.size(), 3u);  // the list keeps everything
}

TEST(Diagnostics, FatalErrorGoesStraightToTheLog) {
  Sink sink;
  ZCLDiagnostics d;
  d.messageLog = logProc;
  d.fatalCallback = fatalProc;
  d.user = &sink;
  ZCLFile f = fileAt("s.zc", "a\n  b c", "c");
  EXPECT_EQ(ZCLFatalError(&d, &f, "zclstate", 1234, "Stack overflow", "SimStackPush"), ZCL_ERR_Fatal);
  EXPECT_TRUE(d.fatal);
  const std::string expected =
      "\n\nFatal error in function SimStackPush():\nStack overflow in file zclstate(1234)\n"
      "While compiling script s.zc, line 2, column 5\n\n";
  ASSERT_EQ(sink.log.size(), 1u);
  EXPECT_EQ(sink.log[0], expected);
  ASSERT_EQ(sink.fatal.size(), 1u);
  EXPECT_EQ(sink.fatal[0], expected);
  // Not part of the message list and not counted as an error.
  EXPECT_TRUE(d.messages.empty());
  EXPECT_EQ(d.errors, 0);

  ZCLDiagnostics bare;  // no file, no callbacks
  EXPECT_EQ(ZCLFatalError(&bare, nullptr, "zilcompiler", 749, "Runtime returns typeID that does not match 'type_var'",
                          "ZILInitializeCompiler"),
            ZCL_ERR_Fatal);
  EXPECT_TRUE(bare.fatal);
}

TEST(Diagnostics, SelfTestRollBackAndReport) {
  ZCLFile f = fileAt("t.zc", "x;", "x");
  ZCLDiagnostics d;
  ZCLReportWarning(&d, &f, nullptr, nullptr, 1510);
  ZCLDiagSnapshot snap = ZCLDiagSave(&d);
  // A failing block: its messages and counts disappear, the PASS line is not counted.
  ZCLReportWarning(&d, &f, nullptr, nullptr, 1508);
  ZCLReportError(&d, &f, nullptr, "x", 1213);
  ZCLDiagRestore(&d, snap);
  ZCLSelfTestReport(&d, "t.zc", 4, 13, 1213, 1213);
  ZCLSelfTestReport(&d, "t.zc", 9, 1, 0, 1206);
  ASSERT_EQ(d.messages.size(), 3u);
  EXPECT_EQ(d.messages[1], "COMPILER SELF TEST 1213(1213): PASS in t.zc (4,13)\n");
  EXPECT_EQ(d.messages[2], "COMPILER SELF TEST 0(1206): FAIL in t.zc (9,1)\n");
  EXPECT_EQ(d.errors, 0);
  EXPECT_EQ(d.warnings, 1);

  // Restoring past a flush never leaves the written index beyond the list.
  ZCLDiagSnapshot early{0, 0, 0};
  ZCLFlushMessages(&d);
  ZCLDiagRestore(&d, early);
  EXPECT_TRUE(d.messages.empty());
  EXPECT_EQ(d.flushed, 0u);
}
