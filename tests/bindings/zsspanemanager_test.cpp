// The script-enabled pane manager with a real skin: each hook at its moment, the Application,
// View and Parameter classes against real panes and parameters, the view ids, the text commands
// and snippets, the garbage collection interval and the bounded nesting of hooks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bindings/zscriptprelude.h"
#include "bindings/zsspanemanager.h"
#include "platform/dialog.h"
#include "ztools/zparameter.h"
#include "ztools/zpaneevent.h"
#include "ztools/zview.h"

namespace ZTools {
namespace {

// Records every text a PaneSetText event brings.
class Listener : public ZView {
 public:
  int32_t OnEvent(ZEvent* event) override {
    if (event && event->Id() == kPaneSetText)
      lines.push_back(static_cast<ZPaneEvent*>(event)->Text().c_str());
    return 0;
  }
  std::vector<std::string> lines;
};

// Records the values a parameter takes.
class Trace : public IEventListener {
 public:
  int32_t OnEvent(ZEvent* event) override {
    if (event && event->Id() == kEvtParameterChanged)
      values.push_back(static_cast<ZParameter*>(event->Sender())->GetStringValue().c_str());
    return 0;
  }
  std::vector<std::string> values;
};

// The script keeps a trace of its hooks in the string parameter `trace`.
constexpr const char* kTraceScript =
    "import Application;\n"
    "string t = \"\";\n"
    "function Note(Application app, string s) { t = t + s + \",\"; app.SetParameter(\"trace\", t); }\n";

std::string Skin(const std::string& script, const std::string& extraParameters = "") {
  return "<zml><parameters><string name='trace'/><float name='vol' range='0,100'/>" + extraParameters +
         "</parameters><scripts><script text='" + script +
         "'/></scripts><surfaces><surface><views><view name='root' size='200,100'>"
         "<view name='box' pos='10,20' size='30,40' flags='default,canmove,canresize'/>"
         "<view name='fixed' pos='50,20' size='30,40'/></view></views></surface></surfaces></zml>";
}

struct Scripted {
  ZSSPaneManager m;
  Trace trace;
  int32_t code = 0;
  explicit Scripted(const std::string& script, const std::string& extra = "") {
    code = m.Initialize();
    if (!code)
      code = m.LoadSkinText(Skin(script, extra));
    if (code)
      return;
    m.FindParameter("trace")->AttachListener(&trace);
    m.ResizeRootArea(200, 100);
    code = m.Create();
    if (!code)
      code = m.Open();
  }
  std::string Value(const char* name) { return m.FindParameter(name)->GetStringValue().c_str(); }
  // Runs a snippet and answers what it left in `trace`.
  std::string Eval(const std::string& text) {
    Listener l;
    EXPECT_EQ(m.RunScript(text, nullptr, &l), 1) << text << (l.lines.empty() ? "" : "\n" + l.lines[0]);
    return Value("trace");
  }
};

TEST(ScriptHooks, EachHookRunsAtItsMomentWithTheInitialUpdateFlag) {
  std::string script = std::string(kTraceScript) +
                       "function Create(Application app) { Note(app, \"create\"); }\n"
                       "function Open(Application app) { Note(app, \"open\" + app.initialUpdate); }\n"
                       "function Idle(Application app) { Note(app, \"idle\" + app.initialUpdate); }\n"
                       "function Close(Application app) { Note(app, \"close\"); }\n"
                       "function Destroy(Application app) { Note(app, \"destroy\"); }\n"
                       "function Activate(Application app, int a, int m) { Note(app, \"activate\" + a + m); }\n"
                       "function int Key(Application app, int k) { Note(app, \"key\" + k); return k == 32; }\n"
                       "function ParameterChanged(Application app, Parameter p) {\n"
                       "  if (p.GetName() != \"trace\") Note(app, \"changed \" + p.GetName()); }\n";
  Scripted s(script);
  ASSERT_EQ(s.code, 0);
  s.m.Idle(10);
  s.m.Idle(20);
  s.m.Activate(false, true);
  // Keys no pane takes reach the Key hook; a typed space comes as 32, text of more characters not.
  EXPECT_TRUE(s.m.Text(" "));
  EXPECT_FALSE(s.m.Key(0x100));
  EXPECT_FALSE(s.m.Text("ab"));
  s.m.SetParameterText(s.m.FindParameter("vol"), "40");
  s.m.Close();
  s.m.Open();
  s.m.Idle(30);
  s.m.Teardown();
  ASSERT_FALSE(s.trace.values.empty());
  EXPECT_EQ(s.trace.values.back(),
            "create,open1,idle1,idle0,activate01,key32,key256,changed vol,close,open1,idle1,close,destroy,");
}

TEST(ScriptHooks, ASkinThatDefinesOnlyIdleGetsOnlyIdle) {
  Scripted s(std::string(kTraceScript) + "function Idle(Application app) { Note(app, \"idle\"); }\n");
  ASSERT_EQ(s.code, 0);
  s.m.Idle(5);
  s.m.Activate(true);
  s.m.Close();
  EXPECT_EQ(s.Value("trace"), "idle,");
}

TEST(ScriptHooks, AHookThatChangesItsOwnParameterNestsOnlySoDeep) {
  Scripted s(std::string(kTraceScript) +
             "int depth = 0;\n"
             "function ParameterChanged(Application app, Parameter p) {\n"
             "  if (p.GetName() == \"vol\") { depth++; p.floatValue = p.floatValue + 1.0; } }\n");
  ASSERT_EQ(s.code, 0);
  s.m.SetParameterText(s.m.FindParameter("vol"), "10");
  // Each change the hook makes is announced again, a bounded number of times.
  const int depth = std::stoi(s.Eval("self.SetParameter(\"trace\", \"\" + depth)"));
  EXPECT_GT(depth, 1);
  EXPECT_LE(depth, ZSSPaneManager::kMaxHookDepth);
}

TEST(ScriptApplication, ParametersSurfacesAndQuit) {
  Scripted s(kTraceScript);
  ASSERT_EQ(s.code, 0);
  const struct {
    const char* snippet;
    const char* trace;
  } rows[] = {
      {"app.SetParameter(\"vol\", \"25\"); Note(self, app.GetParameter(\"vol\") + \"|\" + app.GetParameter(\"none\"))",
       "25|,"},
      {"Parameter p = app.GetParameterByName(\"vol\"); Note(self, p.GetName() + \" \" + p.GetType())", "vol float,"},
      {"Note(self, \"\" + (app.GetParameterByName(\"none\") == null) + (app.GetParameterByIndex(99) == null))", "11,"},
      {"Note(self, app.GetParameterByIndex(1).GetName() + app.GetCurrentSurface() + app.GetNumberOfSurfaces())",
       "vol01,"},
  };
  for (const auto& row : rows) {
    s.Eval("t = \"\"");
    EXPECT_EQ(s.Eval(std::string("Application app = self; ") + row.snippet), row.trace) << row.snippet;
  }
  s.Eval("self.Quit()");
  auto event = s.m.TakeNextEvent();
  ASSERT_TRUE(event);
  EXPECT_EQ(event->Id(), uint32_t(kSysWindowClose));
}

TEST(ScriptView, MovesResizesAndHidesPanesAsTheirFlagsAllow) {
  Scripted s(kTraceScript);
  ASSERT_EQ(s.code, 0);
  s.Eval(
      "View b = self.FindView(\"box\"); View f = self.FindView(\"fixed\");\n"
      "b.MoveTo(5, 6); b.ResizeTo(7, 8); f.MoveTo(1, 1); f.ResizeTo(1, 1); f.MoveBy(3, 3); f.ResizeBy(3, 3);\n"
      "Note(self, \"\" + b.x + \" \" + b.y + \" \" + b.width + \" \" + b.height + \" \" + f.x + \" \" + f.width);\n"
      "b.Hide(); Note(self, \"\" + b.visible); b.Show(); Note(self, \"\" + b.visible + b.focus)");
  EXPECT_EQ(s.Value("trace"), "5 6 7 8 50 30,0,10,");
  const ZRect r = s.m.FindView("box")->GetRect();
  EXPECT_EQ(r, ZRect(5, 6, 12, 14));
}

TEST(ScriptView, ViewsAreIdsThatOpenAndCloseForgetAndAMissingPaneReadsAsZero) {
  Scripted s(std::string(kTraceScript) + "View kept = null;\n");
  ASSERT_EQ(s.code, 0);
  s.Eval(
      "kept = self.GetView(\"root.box\"); View none = self.GetView(\"root.nothing\");\n"
      "Note(self, \"\" + kept.width + \" \" + none.x + none.width + none.visible)");
  EXPECT_EQ(s.Value("trace"), "30 000,");
  // Asking for the same pane again and again keeps one id.
  const size_t mapped = s.m.Views().Size();
  for (int i = 0; i < 50; i++)
    s.Eval("View again = self.GetView(\"root.box\")");
  EXPECT_EQ(s.m.Views().Size(), mapped);
  s.m.Close();
  s.m.Open();
  s.Eval("kept.MoveTo(90, 90); Note(self, \"\" + kept.width)");
  EXPECT_EQ(s.Value("trace"), "30 000,0,");
  EXPECT_EQ(s.m.FindView("box")->GetRect().left, 10);
}

TEST(ScriptParameter, MembersReachTheParameterAndSettingAValueAnnouncesIt) {
  Scripted s(kTraceScript);
  ASSERT_EQ(s.code, 0);
  Trace vol;
  s.m.FindParameter("vol")->AttachListener(&vol);
  s.Eval(
      "Parameter p = self.GetParameterByName(\"vol\"); p.SetValueRange(0.0, 10.0); p.floatValue = 2.5;\n"
      "p.SetDisplayName(\"Volume\"); p.SetUnitString(\"dB\"); p.SetUserIndex(7);\n"
      "Note(self, p.stringValue + \" \" + p.GetDisplayName() + \" \" + p.GetUnitString() + \" \" +\n"
      "     p.GetUserIndex(0) + \" \" + p.GetValueMax() + \" \" + p.normalized)");
  EXPECT_EQ(s.Value("trace"), "2.5 Volume dB 7 10 0.25,");
  EXPECT_EQ(vol.values.size(), 1u);
  EXPECT_DOUBLE_EQ(s.m.FindParameter("vol")->GetFloatValue(), 2.5);
}

TEST(ScriptParameter, EveryOtherMemberAnswersFromTheParameter) {
  Scripted s(kTraceScript);
  ASSERT_EQ(s.code, 0);
  const struct {
    const char* snippet;
    const char* trace;
  } rows[] = {
      {"p.SetDisplayFormat(\"%.1f\"); p.floatValue = 3.0; Note(self, p.GetDisplayFormat() + \" \" + p.stringValue)",
       "%.1f 3.0,"},
      {"p.SetValueRange(-5.0, 5.0); Note(self, \"\" + p.GetValueMin() + \" \" + p.GetValueMax())", "-5 5,"},
      {"p.SetDiscreteSteps(11.0); p.normalized = 0.33; Note(self, \"\" + p.GetDiscreteSteps() + \" \" + p.floatValue)",
       "11 -2,"},
      {"p.SetDirty(); int a = p.IsDirty(); p.ClearDirty(); Note(self, \"\" + a + p.IsDirty())", "00,"},
      {"Note(self, \"\" + p.GetStorageCaps(1) + \" \" + p.GetUserIndex(1) + \" \" + p.GetName())", "0 1 vol,"},
  };
  for (const auto& row : rows) {
    s.Eval("t = \"\"");
    EXPECT_EQ(s.Eval(std::string("Parameter p = self.GetParameterByName(\"vol\"); ") + row.snippet), row.trace)
        << row.snippet;
  }
}

TEST(ScriptView, ZOrderTextAndMinimize) {
  Scripted s(kTraceScript);
  ASSERT_EQ(s.code, 0);
  ZView* root = s.m.FindView("root");
  s.Eval("self.FindView(\"box\").MoveToFront(); self.Minimize()");
  EXPECT_EQ(root->ChildAt(1), s.m.FindView("box"));
  s.Eval("self.FindView(\"box\").MoveToBack()");
  EXPECT_EQ(root->ChildAt(0), s.m.FindView("box"));
  auto event = s.m.TakeNextEvent();
  ASSERT_TRUE(event);
  EXPECT_EQ(event->Id(), uint32_t(kSysWindowMinimize));
}

TEST(ScriptPrelude, ConstantsCarryTheFrameworksValues) {
  EXPECT_EQ(ScriptConstantCount(), 128u);
  Scripted s(kTraceScript);
  ASSERT_EQ(s.code, 0);
  EXPECT_EQ(s.Eval("Note(self, \"\" + kPaneDefault + \" \" + kKeyF12 + \" \" + kKeyDelete + \" \" + k3DRectDefault +"
                   " \" \" + kTextAlignWordBreak + \" \" + kFontSymbolFont + \" \" + kTransBlur)"),
            "12545 7168 2816 65 128 11 22,");
}

TEST(ScriptCommands, HelpListGetSetAndScript) {
  Scripted s(kTraceScript);
  ASSERT_EQ(s.code, 0);
  Listener l;
  EXPECT_EQ(s.m.Command("HELP", &l), 1);
  EXPECT_EQ(s.m.Command("set vol \"42\"", &l), 1);
  EXPECT_EQ(s.m.Command("get VOL", &l), 1);
  EXPECT_EQ(s.m.Command("get nothing", &l), 1);
  EXPECT_EQ(s.m.Command("script: Note(self, \"hi\")", &l), 1);
  EXPECT_EQ(s.m.Command("frobnicate", &l), 0);
  ASSERT_EQ(l.lines.size(), 2u);
  EXPECT_EQ(l.lines[0], "* available commands:\nlist\nget <param>\nset <param> <value>\nscript: <expr>\n");
  EXPECT_EQ(l.lines[1], "float vol (\"\") [1] = 42\n");
  EXPECT_EQ(s.Value("trace"), "hi,");
  EXPECT_EQ(s.m.OpenEdits(), 0);
  // A snippet that does not compile says why, and is not reported as run.
  EXPECT_EQ(s.m.Command("script: nosuchthing(", &l), 0);
  ASSERT_EQ(l.lines.size(), 3u);
  EXPECT_NE(l.lines[2].find("rror"), std::string::npos) << l.lines[2];
}

TEST(ScriptCommands, ListStopsAtAThousandParameters) {
  std::string many;
  for (int i = 0; i < 1500; i++)
    many += "<float name='p" + std::to_string(i) + "'/>";
  Scripted s("int nothing;", many);
  ASSERT_EQ(s.code, 0);
  Listener l;
  EXPECT_EQ(s.m.Command("list", &l), 1);
  EXPECT_EQ(l.lines.size(), ZSSPaneManager::kMaxListedParameters);
}

TEST(ScriptRuntime, CollectionRunsAfterTheIntervalOrWhenTheClockWentBack) {
  Scripted s(kTraceScript);
  ASSERT_EQ(s.code, 0);
  s.m.SetCollectionInterval(5000);
  const struct {
    uint64_t now;
    uint64_t collections;
  } ticks[] = {{1000, 0}, {5000, 0}, {5001, 1}, {9000, 1}, {10002, 2}, {400, 3}, {5400, 3}};
  for (const auto& t : ticks) {
    s.m.Idle(t.now);
    EXPECT_EQ(s.m.CollectionsRun(), t.collections) << t.now;
  }
}

TEST(ScriptRuntime, AnIdleHookThatThrowsEveryTickReportsOnceAndTheSkinGoesOn) {
  Platform::DialogCapture boxes;
  Scripted s(std::string(kTraceScript) +
             "int ticks = 0;\n"
             "function Idle(Application app) { ticks++; int zero = ticks - ticks; ticks += 1 / zero; }\n");
  ASSERT_EQ(s.code, 0);
  for (uint64_t t = 1; t <= 20; t++)
    s.m.Idle(t);
  EXPECT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(s.Eval("Note(self, \"\" + ticks)"), "20,");
}

}  // namespace
}  // namespace ZTools
