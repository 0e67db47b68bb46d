// zillisting_test.cpp - the code listing: the text of every operand kind, the comments naming
// called functions, the stop at an undecodable instruction, the call-stack listing, and the
// source-line table with the listings that show it.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "zil_test_support.h"

using namespace ziltest;

namespace {

class ZILListing : public ZILFixture {
 protected:
  std::string line(ZILLong address) {
    ZILChar buffer[ZIL_LISTING_LINE];
    ZILListInstruction(ps, address, buffer);
    return buffer;
  }
  template <typename F>
  std::string capture(F write) {
    char* text = nullptr;
    size_t size = 0;
    FILE* f = open_memstream(&text, &size);
    write(f);
    fclose(f);
    std::string result(text, size);
    free(text);
    return result;
  }
};

TEST_F(ZILListing, EveryOperandKindHasItsText) {
  ZILLong five, half, tab, longText, exc;
  ASSERT_EQ(ZILAddConstantInt(ps, 5, &five), 0);
  ASSERT_EQ(ZILAddConstantFloat(ps, 2.5, &half), 0);
  ASSERT_EQ(ZILAddConstantString(ps, "a\tb", &tab), 0);
  ASSERT_EQ(ZILAddConstantString(ps, "0123456789012345678901234567890123456789", &longText), 0);
  ASSERT_EQ(ZILAddConstantInt(ps, 1001, &exc), 0);
  ZILDataHandles(ps)[exc].type = ZIL_TYPE_EXCEPTION;
  ZILLong point = addClass("Point", 2);
  ZILLong gen = addTypeOfFamily("gen", ZIL_FAMILY_THREAD);

  Assembler a(ps);
  a.op("pushm", {imm(3)})                                    // 0
      .op("moveh", {dh(five), r(1)})                         // 2
      .op("copyh", {dh(half), rd(2, 3)})                     // 5
      .op("moveh", {dh(tab), sd(1)})                         // 9
      .op("moveh", {dh(longText), rr(4, 5)})                 // 12
      .op("moveh", {dh(exc), r(0)})                          // 16
      .op("alloc", {type(point), r(4)})                      // 19
      .op("rtchk", {type(ZIL_TYPE_EXCEPTION), rr(5, 6)})     // 22
      .op("newdg", {type(ZIL_TYPE_DELEGATE), imm(0), r(3)})  // 26
      .op("alloca", {type(ZIL_TYPE_INT), imm(2), r(1)})      // 30
      .op("alloc", {type(gen), r(31)})                       // 34
      .label("back")
      .op("pushr", {regs(3, 3)})         // 37
      .op("tsteq", {sd(2), to("back")})  // 40
      .op("move", {rd(1, 0), rr(2, 3)})  // 43
      .op("ret");                        // 48
  a.commit();
  EXPECT_EQ(line(0), "0       pushm           3");
  EXPECT_EQ(line(2), "2       moveh           int 5,r1");
  EXPECT_EQ(line(5), "5       copyh           float 2.5,(r2+3)");
  EXPECT_EQ(line(9), "9       moveh           string \"a\\x09b\",(sp+1)");
  EXPECT_EQ(line(12), "12      moveh           string \"012345678901234567890123456789\",(r4+r5)");
  EXPECT_EQ(line(16), "16      moveh           exception,r0");
  EXPECT_EQ(line(19), "19      alloc           class Point,r4");
  EXPECT_EQ(line(22), "22      rtchk           interface exception,(r5+r6)");
  EXPECT_EQ(line(26), "26      newdg           delegate __delegate,0,r3");
  EXPECT_EQ(line(30), "30      alloca          type int,2,r1");
  EXPECT_EQ(line(34), "34      alloc           cofunction gen,r31");
  EXPECT_EQ(line(37), "37      pushr           r3-r5");
  EXPECT_EQ(line(40), "40      tsteq           (sp+2),to 37");
  EXPECT_EQ(line(43), "43      move            (r1+0),(r2+r3)");
  EXPECT_EQ(line(48), "48      ret             ") << "the mnemonic is padded even without operands";

  ZILChar buffer[ZIL_LISTING_LINE];
  EXPECT_EQ(ZILListInstruction(ps, 43, buffer), 5);
  EXPECT_EQ(ZILListInstruction(ps, 49, buffer), 0) << "beyond the code";
  EXPECT_EQ(ZILListInstruction(ps, -1, buffer), 0);
}

TEST_F(ZILListing, CallsNameTheirFunctionInAComment) {
  ZILLong obj = addClass("Obj", 0);
  Assembler a(ps);
  a.label("main")
      .op("callm", {type(obj), imm(0)})                           // 0
      .op("calln", {type(ZIL_TYPE_STRING), imm(30)})              // 3
      .op("jsr", {addressOf("main")})                             // 6
      .op("jsr", {r(4)})                                          // 8
      .op("newctx", {type(ZIL_TYPE_VAR), imm(2), imm(0), r(10)})  // 10
      .op("callm", {type(obj), imm(7)})                           // 15: no such method
      .label("method")
      .op("ret")                                       // 18
      .op("calln", {type(ZIL_TYPE_STRING), imm(31)});  // 19: a name the compiler qualified
  a.commit();
  addFunction("main", ZIL_TYPE_NULL, a.at("main"), 16);
  ZILLong method = addFunction("paint", obj, a.at("method"));
  addFunction("fill", ZIL_TYPE_STRING, -1, 0, 30);
  addFunction("string::trim", ZIL_TYPE_STRING, -1, 0, 31);
  ZILTypes(ps)[obj].methodCount = 1;
  ASSERT_EQ(ZILAddNameBytes(ps, &method, sizeof method, &ZILTypes(ps)[obj].offsetVtab), 0);
  EXPECT_EQ(line(0), "0       callm           class Obj,0;Obj::paint");
  EXPECT_EQ(line(3), "3       calln           class string,30;string::fill");
  EXPECT_EQ(line(6), "6       jsr             0       ;main");
  EXPECT_EQ(line(8), "8       jsr             r4");
  EXPECT_EQ(line(10), "10      newctx          type var,2,0,r10;cofunction fill");
  EXPECT_EQ(line(15), "15      callm           class Obj,7");
  EXPECT_EQ(line(19), "19      calln           class string,31;string::trim");
}

TEST_F(ZILListing, WholeListingStopsAtAnUndecodableInstruction) {
  Assembler a(ps);
  a.op("nop").op("ldz", {r(1)}).word(ZIL_OPCODE_COUNT).op("ret");
  a.commit();
  std::string text = capture([&](FILE* f) { ZILListCode(ps, f); });
  EXPECT_EQ(text,
            "0       nop             \n"
            "1       ldz             r1\n"
            "ERROR IN INSTRUCTION TABLE OR INVALID INSTRUCTION!\n");
  // A last instruction whose operands run past the end cannot be decoded either.
  ZILTerminate(ps);
  ps = ZILInitialize();
  Assembler b(ps);
  b.op("ret").word(ZOP_MOVE_RD_RD).word(1);
  b.commit();
  text = capture([&](FILE* f) { ZILListCode(ps, f); });
  EXPECT_EQ(text, "0       ret             \nERROR IN INSTRUCTION TABLE OR INVALID INSTRUCTION!\n");
}

TEST_F(ZILListing, CallStackListsCallersUpToTheNativeEntry) {
  prepare();
  Assembler a(ps);
  a.label("main")
      .op("jsr", {addressOf("f")})
      .op("ret")
      .label("f")
      .op("nop")
      .op("jsr", {addressOf("g")})
      .op("ret")
      .label("g")
      .op("brk")
      .op("ret")
      .label("end");
  ZILLong base = a.commit();
  addFunction("main", ZIL_TYPE_NULL, a.at("main"), a.at("f") - a.at("main"));
  addFunction("f", ZIL_TYPE_NULL, a.at("f"), a.at("g") - a.at("f"));
  addFunction("g", ZIL_TYPE_NULL, a.at("g"), a.at("end") - a.at("g"));
  // Source lines for f's call and g's brk only: main's frame has none.
  ZILLong file = -1;
  ASSERT_EQ(ZILAddName(ps, "a.zc", &file), 0);
  const ZILLineEntry lines[] = {
      {a.at("f"), file, 3}, {a.at("f") + 1, file, 4}, {a.at("g"), file, 8}, {a.at("end"), -1, 0}};
  ASSERT_EQ(ZILAddLineEntries(ps, lines, 4), 0);
  ASSERT_EQ(ZILRunAddress(ps, base), ZIL_EXC_Break);
  std::string text = capture([&](FILE* f) { ZILListCallStack(ps, nullptr, f); });
  EXPECT_EQ(text,
            "   0: g() at a.zc:8\n"
            "   1: f() at a.zc:4\n"
            "   2: main()\n"
            "   3: native_entry_point()\n");
  text = capture([&](FILE* f) { ZILListExceptionTrace(ps, f, 1); });
  EXPECT_EQ(text,
            "Tracing back last 1 calls on callstack:\n"
            "   0: g() at a.zc:8\n"
            "   1: f() at a.zc:4\n"
            "      ... 2 more calls left out\n")
      << "a bounded trace says what it left out";
  recover();
  text = capture([&](FILE* f) { ZILListCallStack(ps, nullptr, f); });
  EXPECT_EQ(text, "   0: g() at a.zc:8\nINVALID FUNCTION ADDRESS ERROR\n");
}

TEST_F(ZILListing, SourceLinesAreFoundByAddress) {
  const ZILChar* file = nullptr;
  ZILLong line = -1;
  EXPECT_EQ(ZILGetSourceLine(ps, 0, &file, &line), ZIL_ERR_No_Symbol_Table) << "no entries yet";
  Assembler a(ps);
  for (int i = 0; i < 12; ++i)
    a.op("nop");
  a.commit();
  ZILLong one = -1, two = -1;
  ASSERT_EQ(ZILAddName(ps, "one.zc", &one), 0);
  ASSERT_EQ(ZILAddName(ps, "two.zc", &two), 0);
  const ZILLineEntry entries[] = {{2, one, 5}, {4, one, 6}, {6, -1, 0}, {6, two, 1}, {8, two, 0}, {10, -1, 0}};
  ASSERT_EQ(ZILAddLineEntries(ps, entries, 6), 0);
  struct Case {
    ZILLong address;
    ZILError code;
    const char* file;
    ZILLong line;
    const char* why;
  } cases[] = {
      {1, ZIL_ERR_Symbol_Not_Found, "", 0, "before the first entry"},
      {2, 0, "one.zc", 5, "at an entry"},
      {3, 0, "one.zc", 5, "inside a run"},
      {5, 0, "one.zc", 6, "the next run"},
      {6, 0, "two.zc", 1, "of entries at one address the last counts"},
      {9, ZIL_ERR_Symbol_Not_Found, "", 0, "line 0: no source line"},
      {11, ZIL_ERR_Symbol_Not_Found, "", 0, "after the end marker"},
      {12, ZIL_ERR_Symbol_Not_Found, "", 0, "outside the code"},
      {-1, ZIL_ERR_Symbol_Not_Found, "", 0, "negative address"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ZILGetSourceLine(ps, c.address, &file, &line), c.code) << c.why;
    EXPECT_STREQ(file, c.file) << c.why;
    EXPECT_EQ(line, c.line) << c.why;
  }
  const ZILLineEntry backwards[] = {{9, one, 1}, {8, one, 2}};
  EXPECT_EQ(ZILAddLineEntries(ps, backwards, 2), ZIL_ERR_Illegal_Argument) << "addresses must not go down";
  EXPECT_EQ(ZILAddLineEntries(ps, backwards + 1, 1), ZIL_ERR_Illegal_Argument) << "nor below earlier entries";
  EXPECT_EQ(ZILGetSourceLine(ps, 9, &file, &line), ZIL_ERR_Symbol_Not_Found) << "a refused call adds nothing";
}

TEST_F(ZILListing, SourceListingLabelsFunctionsAndShowsEachNewLine) {
  Assembler a(ps);
  a.label("main").op("nop").op("nop").op("ldz", {r(1)}).label("f").op("ret").op("nop").label("end");
  a.commit();
  addFunction("main", ZIL_TYPE_NULL, a.at("main"), a.at("f") - a.at("main"));
  addFunction("f", ZIL_TYPE_NULL, a.at("f"), a.at("end") - a.at("f"));
  ZILLong file = -1;
  ASSERT_EQ(ZILAddName(ps, "a.zc", &file), 0);
  const ZILLineEntry lines[] = {{0, file, 1}, {1, file, 2}, {4, file, 2}, {5, -1, 0}};
  ASSERT_EQ(ZILAddLineEntries(ps, lines, 4), 0);
  auto text = [](void*, const ZILChar*, ZILLong line, ZILChar* out, ZILLong size) -> ZILError {
    if (line != 2)
      return ZIL_ERR_Symbol_Not_Found;
    snprintf(out, static_cast<size_t>(size), "\t  x = 0;  \r\n");
    return 0;
  };
  EXPECT_EQ(capture([&](FILE* f) { ZILListCodeWithSource(ps, f, text, nullptr); }),
            "main:\n"
            "; a.zc:1\n"
            "0       nop             \n"
            "; a.zc:2: x = 0;\n"
            "1       nop             \n"
            "2       ldz             r1\n"
            "f:\n"
            "; a.zc:2: x = 0;\n"
            "4       ret             \n"
            "5       nop             \n")
      << "a function shows its first line even when it goes on with the last one";
}

}  // namespace
