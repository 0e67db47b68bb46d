// The `script` tag through the real markup host: its properties and their errors, the order and
// names of the compiled sources, the compiler and runtime error reports (once per runtime, never
// re-entered), the bounded script debug log, the refused file generators, and scripts and data
// read from inside a skin package.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "bindings/zscriptlog.h"
#include "bindings/zscriptreport.h"
#include "bindings/zscripttag.h"
#include "platform/dialog.h"
#include "tests/ztools/resourcetestfiles.h"
#include "ziltools.h"
#include "zml/zmlscripthost.h"
#include "ztools/base/zerror.h"
#include "ztools/base/zresourcesource.h"

namespace ZTools {
namespace {

using ResourceTest::ReadFile;
using ResourceTest::TempFolder;
using ResourceTest::WriteFile;

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

class ScriptTagTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The log goes into a folder of the test, never beside the test program.
    ::setenv("SONABEL_SCRIPT_LOG_DIR", logs_.Path().c_str(), 1);
    ASSERT_NE(ZOpenResourceSource(nullptr, skin_.Path().c_str()), nullptr);
    ASSERT_EQ(Prepare(host_, init_), 0);
  }
  void TearDown() override { ZCloseResourceSource(); }

  // A host that knows the script tag, with `init` as the runtime initializer.
  static int32_t Prepare(ZMLScriptHost& host, RuntimeInitializer& init) {
    if (int32_t rc = host.Initialize())
      return rc;
    if (int32_t rc = host.RegisterObject("interface_ieventlistener", kRuntimeInitializerName, &init))
      return rc;
    return RegisterScriptTagType(host);
  }

  int32_t Build(const std::string& attributes) {
    return host_.ParseText("<zml><script name='s' " + attributes + "/></zml>");
  }
  ScriptTag* Tag(const char* name = "s") {
    IEventListener* object = nullptr;
    if (host_.GetObject(kScriptTagInterface, name, &object) != 0)
      return nullptr;
    return dynamic_cast<ScriptTag*>(object);
  }
  // Calls a global function of the tag's script with one int argument; its int or string result.
  std::string Call(const char* function, int argument = 0) {
    ZILState* ps = Tag()->GetRuntime();
    ZILHandle* f = ZILGetFunction(ps, function);
    ZILHandle* result = ZILCallFunction(ps, f, 1, ZIL_ARG_INT, argument);
    std::string text = !result                           ? "none"
                       : result->type == ZIL_TYPE_STRING ? ZILStringText(static_cast<ZILString*>(result->payload.p))
                       : result->type == ZIL_TYPE_INT    ? std::to_string(result->payload.l)
                                                         : "type " + std::to_string(result->type);
    if (result)
      NTLFreeHandle(ps, result);
    if (f)
      NTLFreeHandle(ps, f);
    return text;
  }
  std::string Log() { return ReadFile(logs_.Path() / kScriptLogName); }

  TempFolder logs_;
  TempFolder skin_;
  Platform::DialogCapture boxes_;
  RuntimeInitializer init_;
  ZMLScriptHost host_;  // last: its teardown destroys the tag while the rest still lives
};

TEST_F(ScriptTagTest, PropertiesAndTheirErrors) {
  struct Case {
    const char* attributes;
    int32_t code;
    const char* why;
  } cases[] = {
      {"text='int a = 1;' log='false'", 0, "inline text alone"},
      {"initializer='nobody' text='int a = 1;'", kZErrIllegalPropertyValue, "initializer not found"},
      {"file='missing.zc'", kZErrFileOpenFailed, "script file missing"},
      {"text='int a = 1;' log='maybe'", kZErrIllegalPropertyValue, "log is not a boolean"},
  };
  for (const Case& c : cases) {
    ZMLScriptHost host;
    ASSERT_EQ(Prepare(host, init_), 0);
    EXPECT_EQ(host.ParseText(std::string("<zml><script ") + c.attributes + "/></zml>"), c.code) << c.why;
  }
  ScriptTag bare;
  EXPECT_EQ(bare.SetProperty("colour", "red", &host_), kZErrUnknownProperty);
  try {
    bare.Run();
    ADD_FAILURE() << "a tag without an initializer ran";
  } catch (const ZError& error) {
    EXPECT_EQ(error.Code(), kZErrNullPointer);
  }
}

TEST_F(ScriptTagTest, SourcesCompileInOrderUnderTheirNames) {
  init_.AddPrelude("string order = \"\"; function int mark(string s) { order = order + s; return 0; }");
  init_.AddPrelude("int m1 = mark(\"1\"); function string getOrder(int unused) { return order; }");
  WriteFile(skin_.Path() / "main.zc", "int mf = mark(\"f\");");
  ASSERT_EQ(Build("file='main.zc' text='int mt = mark(\"t\");'"), 0);
  EXPECT_EQ(Call("getOrder"), "1ft") << "preludes, then the file, then the text";
  EXPECT_TRUE(boxes_.Boxes().empty());

  // Each source, broken in turn, is named in the error.
  struct Case {
    const char* prelude1;
    const char* file;
    const char* text;
    const char* name;
  } cases[] = {
      {"x = 1;", "", "", " in s/init script/1 ("},
      {"", "x = 1;", "", " in s/main.zc ("},
      {"", "", "x = 1;", " in s/anonymous text string ("},
  };
  for (const Case& c : cases) {
    RuntimeInitializer init;
    init.AddPrelude("int zero = 0;");
    init.AddPrelude(c.prelude1);
    WriteFile(skin_.Path() / "main.zc", c.file);
    ZMLScriptHost host;
    ASSERT_EQ(Prepare(host, init), 0);
    boxes_.Clear();
    EXPECT_EQ(host.ParseText(std::string("<zml><script name='s' file='main.zc' text='") + c.text + " '/></zml>"),
              kZErrUnspecified);
    ASSERT_FALSE(boxes_.Boxes().empty()) << c.name;
    EXPECT_EQ(boxes_.Boxes()[0].caption, kCompilerErrorCaption);
    EXPECT_NE(boxes_.Boxes()[0].text.find(c.name), std::string::npos) << boxes_.Boxes()[0].text;
  }

  // Without a name (no create event) the names start with '/'.
  RuntimeInitializer init;
  init.AddPrelude("x = 1;");
  ScriptTag nameless;
  ASSERT_EQ(host_.RegisterObject("interface_ieventlistener", "broken", &init), 0);
  ASSERT_EQ(nameless.SetProperty("initializer", "broken", &host_), 0);
  boxes_.Clear();
  EXPECT_THROW(nameless.Run(), ZError);
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_NE(boxes_.Boxes()[0].text.find(" in /init script/0 ("), std::string::npos) << boxes_.Boxes()[0].text;
}

TEST_F(ScriptTagTest, CompilerBoxShowsOnlyErrorLines) {
  // Warnings alone: no box.
  const char* warns = "function int f(int a) { return 1; int x = 4; }";
  ASSERT_EQ(Build(std::string("text='") + warns + "'"), 0);
  EXPECT_TRUE(boxes_.Boxes().empty()) << boxes_.Boxes()[0].text;

  struct Case {
    const char* option;
    const char* start;
  } cases[] = {
      {"", "Error 1213: 'y' - Undefined identifier in s/anonymous text string ("},
      {"option \"error-format=ms\"; ", "s/anonymous text string(1): Error 1213: 'y' - Undefined identifier\n"},
  };
  for (const Case& c : cases) {
    ZMLScriptHost host;
    ASSERT_EQ(Prepare(host, init_), 0);
    boxes_.Clear();
    std::string text = std::string(c.option) + warns + " function g() { y = 2; }";
    EXPECT_EQ(host.ParseText("<zml><script name='s' text='" + text + "'/></zml>"), kZErrUnspecified);
    ASSERT_GE(boxes_.Boxes().size(), 1u);
    const auto& box = boxes_.Boxes()[0];
    EXPECT_EQ(box.caption, kCompilerErrorCaption);
    EXPECT_EQ(box.text.rfind(c.start, 0), 0u) << box.text;
    EXPECT_EQ(Count(box.text, "\n"), 1u) << "one error line, no warning: " << box.text;
  }
}

TEST_F(ScriptTagTest, CompilerErrorsAreToldFromOtherOutput) {
  struct Case {
    const char* message;
    bool error;
  } cases[] = {
      {"Error 1213: 'x' - Undefined identifier in a.zc (3,5)\n", true},
      {"Error 1218: 'f' - Function declared but not defined\n", true},
      {"a.zc(3): Error 1213: 'x' - Undefined identifier\n", true},
      {"odd(name) (2)(14): Error 1201: Unexpected token\n", true},
      {"\n\nFatal error in function SimStackPush():\nStack overflow in file zclstate(12)\n", true},
      {"Warning 1510(3): Code is not reachable, function already returned in a.zc (2,3)\n", false},
      {"a.zc(2): Warning 1510(3): Code is not reachable, function already returned\n", false},
      {"COMPILER SELF TEST 1213(1213): PASS in a.zc (1,1)\n", false},
      {"Compiling 'Error.zc'...\n", false},
      {"a.zc(x): Error 12: no line number\n", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsCompilerError(c.message), c.error) << c.message;
}

TEST_F(ScriptTagTest, RuntimeExceptionsShowOneBoxPerRuntimeAndScriptsGoOn) {
  WriteFile(skin_.Path() / "main.zc",
            "function int inner(int z) {\n"
            "  return 1 / z;\n"
            "}\n"
            "function int boom(int z) {\n"
            "  return inner(z) + 1;\n"
            "}\n"
            "function int good(int z) { return z + 5; }\n");
  ASSERT_EQ(Build("log='true' file='main.zc'"), 0);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(Call("boom"), "type 13");
  EXPECT_EQ(Call("good", 2), "7") << "the script still runs after its exceptions";

  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes()[0].caption, kRuntimeErrorCaption);
  const std::string& text = boxes_.Boxes()[0].text;
  EXPECT_EQ(text.rfind("VIRTUAL MACHINE EXCEPTION AT ", 0), 0u) << text;
  const size_t lineEnd = text.find('\n');
  ASSERT_NE(lineEnd, std::string::npos) << text;
  EXPECT_TRUE(text.substr(0, lineEnd).ends_with(": 1007 DIVISION BY ZERO EXCEPTION")) << text;
  EXPECT_EQ(text.substr(lineEnd),
            "\nTracing back last 2 calls on callstack:\n"
            "   0: inner() at s/main.zc:2\n"
            "   1: boom() at s/main.zc:5\n"
            "   2: native_entry_point()")
      << "the faulting statement and each caller";

  std::string log = Log();
  EXPECT_EQ(Count(log, text + "\n"), 3u) << "the box's words, once per exception";
  EXPECT_EQ(Count(log, "\nDisassembling code segment:\n\n"), 1u) << "the full listing only once";
  EXPECT_NE(log.find("inner:\n; s/main.zc:1: function int inner(int z) {\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\n; s/main.zc:2: return 1 / z;\n"), std::string::npos) << log;
}

TEST_F(ScriptTagTest, ReportIsNotReentered) {
  ASSERT_EQ(Build("log='true' text='function int boom(int z) { return 1 / z; }'"), 0);
  ZILState* ps = Tag()->GetRuntime();
  int shown = 0;
  // While the box is up (a modal loop), the handler is entered once more.
  Platform::DialogSink previous =
      Platform::SetDialogSink([&](std::string_view, std::string_view, Platform::DialogKind) {
        ++shown;
        ps->vectors[ZIL_VECTOR_MACHINE](ps);
      });
  Call("boom");
  Platform::SetDialogSink(previous);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(Count(Log(), "VIRTUAL MACHINE EXCEPTION AT "), 1u);
}

TEST_F(ScriptTagTest, LogIsFramedAndOnlyWrittenWhenAsked) {
  ASSERT_EQ(Build("log='false' text='function int boom(int z) { return 1 / z; }'"), 0);
  Call("boom");
  host_.Teardown();
  EXPECT_TRUE(std::filesystem::is_empty(logs_.Path())) << "log='false' writes nothing to disk";

  ZMLScriptHost host;
  ASSERT_EQ(Prepare(host, init_), 0);
  ASSERT_EQ(host.ParseText("<zml><script log='true' text='option \"verbose=1\"; int a = 1;'/></zml>"), 0);
  EXPECT_EQ(Log().rfind(kScriptLogSessionStart, 0), 0u);
  host.Teardown();
  std::string log = Log();
  EXPECT_NE(log.find("Linking...\n"), std::string::npos) << "the compiler's output reaches the log";
  ASSERT_GE(log.size(), std::string(kScriptLogSessionEnd).size());
  EXPECT_EQ(log.substr(log.size() - std::string(kScriptLogSessionEnd).size()), kScriptLogSessionEnd);
}

TEST_F(ScriptTagTest, LogIsRotatedAndBoundedPerSession) {
  const auto path = logs_.Path() / kScriptLogName;
  WriteFile(path, std::string(size_t(kScriptLogRotateBytes) + 1, 'o'));
  auto log = ZScriptLogFile::OpenSession();
  ASSERT_NE(log, nullptr);
  EXPECT_EQ(std::filesystem::file_size(logs_.Path() / "scriptdebug.log.1"), uint64_t(kScriptLogRotateBytes) + 1);
  const std::string chunk(64 * 1024, 'x');
  for (int i = 0; i < 80; ++i)
    log->WriteEntry(chunk);  // 5 MiB
  log->CloseSession();
  std::string text = ReadFile(path);
  EXPECT_LE(int64_t(text.size()), kScriptLogSessionBytes + 200);
  EXPECT_EQ(Count(text, kScriptLogLimitLine), 1u);
  EXPECT_EQ(text.rfind(kScriptLogSessionStart, 0), 0u);

  ::unsetenv("SONABEL_SCRIPT_LOG_DIR");
  EXPECT_EQ(ScriptLogFolder(), std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/")
      << "beside the program when its folder is writable";
}

TEST_F(ScriptTagTest, FileGeneratorsAreRefusedInSkins) {
  ASSERT_EQ(Build("text='import runtime; function int docs(int z) { return runtime::generateDocs(\"" +
                  logs_.Path().string() + "\") + runtime::generateBindings(\"" + logs_.Path().string() + "\"); }'"),
            0);
  EXPECT_EQ(Call("docs"), std::to_string(2 * ZIL_ERR_Unsupported_Native_Call));
  EXPECT_TRUE(std::filesystem::is_empty(logs_.Path()));
}

TEST_F(ScriptTagTest, ScriptAndDataComeFromAPackage) {
  TempFolder content;
  WriteFile(content.Path() / "scripts" / "main.zc",
            "import scripts.lib; function int answer(int z) { return fromLib(z); }");
  WriteFile(content.Path() / "scripts" / "lib.zc", "function int fromLib(int z) { return z + 40; }");
  WriteFile(content.Path() / "data.bin", "sound bytes");
  ResourceTest::MakePackage(content.Path(), skin_ / "skin.zpac", "-m0=LZMA");
  ASSERT_NE(ZSetResourceSource(ZResourceSource::OpenPackage((skin_ / "skin.zpac").c_str())), nullptr);

  ASSERT_EQ(Build("file='scripts/main.zc'"), 0) << (boxes_.Boxes().empty() ? "" : boxes_.Boxes()[0].text);
  EXPECT_EQ(Call("answer", 2), "42");

  ZILState* ps = Tag()->GetRuntime();
  void* file = nullptr;
  ASSERT_EQ(ps->fileInput(ps, 0, "data.bin", nullptr, 0, &file, nullptr), 0);
  char buffer[64] = {};
  ZILLong done = 0;
  EXPECT_EQ(ps->fileInput(ps, 1, "data.bin", buffer, sizeof buffer, &file, &done), 0);
  EXPECT_EQ(std::string(buffer, size_t(done)), "sound bytes");
  EXPECT_EQ(ps->fileInput(ps, 2, "data.bin", nullptr, 0, &file, nullptr), 0);
  EXPECT_EQ(ps->fileInput(ps, 0, "missing.bin", nullptr, 0, &file, nullptr), ZIL_ERR_Unspecified);
  EXPECT_EQ(ps->fileInput(ps, 7, "data.bin", nullptr, 0, &file, nullptr), ZIL_ERR_Unspecified);
}

}  // namespace
}  // namespace ZTools
