// Tests of the markup host: type registration, reference names, children and quantities,
// defaults, variables and constants, aliases, groups, the build and teardown event order,
// runtime errors, object lookup and dependencies, and very deep documents.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "zml/zmlgroup.h"
#include "zmltestsupport.h"

namespace {

using namespace ZTools;
using ZMLTest::EventLog;
using ZMLTest::ExpectParseCodes;
using ZMLTest::Fixture;
using ZMLTest::Recorder;

TEST(ZMLScriptHost, RegistrationErrorsAreShownAndReturned) {
  Fixture f(false);
  EventLog& log = f.log;
  Platform::DialogCapture& boxes = f.boxes;
  ZMLScriptHost& host = *f.host;
  struct Case {
    const char* declaration;
    int32_t code;
  } cases[] = {
      {"Interface_ZPane::Knob value? ()", 0},
      {"interface_zpane::knob ()", kZErrTypeAlreadyRegistered},
      {"interface_zpane::var ()", kZErrTypeAlreadyRegistered},
      {"interface_zpane::zmlroot (...)", kZErrTypeAlreadyRegistered},
      {"interface_zpane:knob2 ()", kZErrSyntax},
      {"interface_zpane::knob2", kZErrSyntax},
      {"interface_zpane::knob2 a b (", kZErrSyntax},
      {"interface_zpane::knob2 a='' ()", kZErrSyntax},
      {"interface_zpane::knob-2 ()", kZErrIllegalIdentifier},
      {"interface_zpane::knob2 a-b ()", kZErrIllegalIdentifier},
      {"interface_zpane::knob2 ( a+ b- )", kZErrIllegalIdentifier},
      {"interface_zpane::knob2 a a? ()", kZErrMultiplyDefinedProperty},
      {"::knob2 ()", kZErrSyntax},
      {"", kZErrSyntax},
  };
  for (const Case& c : cases) {
    boxes.Clear();
    EXPECT_EQ(host.RegisterType(Recorder(c.declaration, &log)), c.code) << c.declaration;
    if (c.code != 0) {
      ASSERT_EQ(boxes.Boxes().size(), 1u) << c.declaration;
      EXPECT_EQ(boxes.Boxes()[0].caption, "ZMLScriptHost Type Registration Error");
      EXPECT_EQ(boxes.Boxes()[0].text,
                "\nZML Script Error '" + std::string(ZErrorText(c.code)) + "' [" + std::to_string(c.code) + "]\n\n");
    }
  }
  EXPECT_EQ(log.alive, 0) << "prototypes are destroyed";

  const ZMLTypeDecl* knob = host.FindType("KNOB");
  ASSERT_NE(knob, nullptr);
  EXPECT_EQ(knob->interfaceName, "interface_zpane") << "declarations are lower-cased";
}

TEST(ZMLScriptHost, DeclarationGrammar) {
  ZMLTypeDecl decl;
  ZMLParseTypeDecl(
      " interface_zpane :: section flags? border='yes'? gradient=20? caption=\"a b\" need\n"
      "( interface_zpane* views + icons? one ) ",
      decl);
  EXPECT_EQ(decl.interfaceName, "interface_zpane");
  EXPECT_EQ(decl.typeName, "section");
  ASSERT_EQ(decl.properties.size(), 5u);
  EXPECT_TRUE(decl.properties[0].optional);
  EXPECT_FALSE(decl.properties[0].hasDefault);
  EXPECT_EQ(decl.properties[1].defaultValue, "yes");
  EXPECT_EQ(decl.properties[2].defaultValue, "20");
  EXPECT_EQ(decl.properties[3].defaultValue, "a b");
  EXPECT_FALSE(decl.properties[3].optional);
  EXPECT_FALSE(decl.properties[4].optional);
  ASSERT_EQ(decl.children.size(), 4u);
  EXPECT_EQ(decl.children[0].quantity, ZMLQuantity::kAny);
  EXPECT_EQ(decl.children[1].name, "views");
  EXPECT_EQ(decl.children[1].quantity, ZMLQuantity::kOneOrMore);
  EXPECT_EQ(decl.children[2].quantity, ZMLQuantity::kAtMostOne);
  EXPECT_EQ(decl.children[3].quantity, ZMLQuantity::kExactlyOne);
  EXPECT_FALSE(decl.anyChildren);

  ZMLParseTypeDecl("interface_zmlroot::zmlroot(...)", decl);
  EXPECT_TRUE(decl.anyChildren);
  EXPECT_TRUE(decl.properties.empty());
  ZMLParseTypeDecl("interface_zparamscaler::stringmap strings?()", decl);
  ASSERT_EQ(decl.properties.size(), 1u);
  EXPECT_TRUE(decl.properties[0].optional);
  EXPECT_TRUE(decl.children.empty());
}

TEST(ZMLScriptHost, ReferenceNames) {
  Fixture f;
  ASSERT_EQ(f.Parse("<zml><box name='Play'/><box/><box/><item name='item'/></zml>"), 0) << f.LastBox();
  ZMLNode* play = f.host->FindNode("play");
  ASSERT_NE(play, nullptr);
  EXPECT_EQ(play->Name(), "play");
  ZMLNode* unnamed = f.host->FindNode("box");
  ASSERT_NE(unnamed, nullptr) << "the first unnamed object is registered under its tag";
  const auto& top = f.host->Root()->Children();
  ASSERT_EQ(top.size(), 4u);
  EXPECT_EQ(top[1], unnamed);
  EXPECT_EQ(top[2]->Name(), "") << "the second unnamed one stays anonymous";

  ExpectParseCodes({
      {"<zml><box name='play'/><item name='PLAY'/></zml>", kZErrReferenceAlreadyDefined},
      {"<zml><box name='2nd-play'/></zml>", kZErrIllegalIdentifier},
      {"<zml><box/><box name='box'/></zml>", kZErrReferenceAlreadyDefined},
      {"<zml><box name='a b'/></zml>", kZErrIllegalIdentifier},
  });
}

TEST(ZMLScriptHost, ChildrenAndQuantities) {
  ExpectParseCodes({
      {"<zml><panel need='1'><item/></panel></zml>", 0},
      {"<zml><panel need='1'><item/><item/><box/></panel></zml>", 0},
      {"<zml><panel need='1'></panel></zml>", kZErrRequiredChildMissing},
      {"<zml><panel need='1'><box/></panel></zml>", kZErrRequiredChildMissing},
      {"<zml><panel need='1'><item/><box/><box/></panel></zml>", kZErrTooManyChildren},
      {"<zml><panel><item/></panel></zml>", kZErrRequiredPropertyMissing},
      {"<zml><item><box/></item></zml>", kZErrIncompatibleChild},
      {"<zml><panel need='x'><item/><box><item/></box></panel></zml>", 0},
      {"<zml><box><panel need='x'><item/></panel></box></zml>", kZErrIncompatibleChild},
  });
}

TEST(ZMLScriptHost, StandardGroups) {
  // The framework's standard groups, with stand-ins for bitmaps, icons and panes.
  Fixture f(false);
  EventLog& log = f.log;
  Platform::DialogCapture& boxes = f.boxes;
  ZMLScriptHost& host = *f.host;
  ASSERT_EQ(host.RegisterType(Recorder("interface_zmlbitmap::bitmap file? ()", &log)), 0);
  ASSERT_EQ(host.RegisterType(Recorder("interface_zmlicon::icon bitmap ()", &log)), 0);
  ASSERT_EQ(host.RegisterType(Recorder("interface_zpane::image ( interface_zpane* )", &log)), 0);
  ASSERT_EQ(host.RegisterType(Recorder("interface_zpane::pagecontainer ( interface_zpane+ )", &log)), 0);
  ASSERT_EQ(
      host.ParseText("<zml><definegroup name='scalers'  types='interface_zparamscaler*'/>"
                     "<definegroup name='bitmaps'  types='interface_zmlbitmap*'/>"
                     "<definegroup name='icons'    types='icon*'/><definegroup name='views' types='interface_zpane'/>"
                     "<definegroup name='surface'  types='bitmaps? icons? views'/>"
                     "<definegroup name='surfaces' types='surface+'/></zml>"),
      0);
  const ZMLTypeDecl* surface = host.FindType("surface");
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(surface->interfaceName, "interface_zmlgroup");

  ASSERT_EQ(host.ParseText("<zml><bitmaps><bitmap name='bg'/></bitmaps><surfaces><surface>"
                           "<icons><icon name='i' bitmap='bg'/></icons><views><image name='root'/></views>"
                           "</surface></surfaces></zml>"),
            0)
      << f.LastBox();
  // Groups hold their children's objects.
  IEventListener* views = nullptr;
  ASSERT_EQ(host.GetObject("interface_zmlgroup", "views", &views), 0);
  ASSERT_EQ(static_cast<ZMLGroup*>(views)->Children().size(), 1u);
  IEventListener* root = nullptr;
  ASSERT_EQ(host.GetObject("interface_zpane", "root", &root), 0);
  EXPECT_EQ(static_cast<ZMLGroup*>(views)->Children()[0], root);
  EXPECT_EQ(host.FindByPath("surfaces.surface.views.root"), host.FindNode("root"));
  IEventListener* bitmaps = nullptr;
  ASSERT_EQ(host.GetObject("interface_zmlgroup", "bitmaps", &bitmaps), 0);
  auto* group = static_cast<ZMLGroup*>(bitmaps);
  ASSERT_EQ(group->Children().size(), 1u);
  IEventListener* bg = nullptr;
  ASSERT_EQ(host.GetObject("interface_zmlbitmap", "bg", &bg), 0);
  EXPECT_EQ(group->Children()[0], bg);
  EXPECT_EQ(host.FindByPath("surfaces.surface.nothing"), nullptr);

  const ZMLTest::CodeCase cases[] = {
      {"<zml><surfaces></surfaces></zml>", kZErrRequiredChildMissing},
      {"<zml><surfaces><surface><views><image/><image/></views></surface></surfaces></zml>", kZErrTooManyChildren},
      {"<zml><surfaces><surface><icons><bitmap/></icons><views><image/></views></surface></surfaces></zml>",
       kZErrIncompatibleChild},
      {"<zml><pagecontainer/></zml>", kZErrRequiredChildMissing},
      {"<zml><definegroup name='bad' types='a-b'/></zml>", kZErrIllegalPropertyValue},
      {"<zml><definegroup name='bad' types='a) ('/></zml>", kZErrIllegalPropertyValue},
      {"<zml><definegroup name='views' types='a'/></zml>", kZErrTypeAlreadyRegistered},
      {"<zml><definegroup name='g'/></zml>", kZErrRequiredPropertyMissing},
  };
  for (const auto& c : cases) {
    boxes.Clear();
    EXPECT_EQ(host.ParseText(c.text), c.code) << c.text;
  }
}

TEST(ZMLScriptHost, EventOrderForNestedObjects) {
  Fixture f(false);
  EventLog& log = f.log;
  ZMLScriptHost& host = *f.host;
  ASSERT_EQ(host.RegisterType(Recorder("interface_x::a p? ( ... )", &log)), 0);
  ASSERT_EQ(host.RegisterType(Recorder("interface_x::b ()", &log)), 0);
  ASSERT_EQ(host.ParseText("<zml><a p='1'><b/></a></zml>"), 0);
  const std::vector<std::string> expected = {
      "a: Create Interface='interface_x' Type='a' Name='a'",
      "a: BeginInitialize",
      "a: SetProperty Property='p' Value='1'",
      "a: EndInitialize",
      "b: Create Interface='interface_x' Type='b' Name='b'",
      "a: ChildCreate Interface='interface_x' Type='b'",
      "b: BeginInitialize",
      "b: EndInitialize",
      "a: ChildFinish Interface='interface_x' Type='b'",
      "b: Finish",
      "a: Finish",
  };
  EXPECT_EQ(log.lines, expected);

  log.lines.clear();
  EXPECT_EQ(host.Teardown(), 0);
  const std::vector<std::string> teardown = {
      "a: ChildDestroy Interface='interface_x' Type='b'",
      "b: Destroy",
      "a: Destroy",
  };
  EXPECT_EQ(log.lines, teardown);
  EXPECT_EQ(log.alive, 0);
}

TEST(ZMLScriptHost, DefaultsAreSentInDeclarationOrder) {
  Fixture f(false);
  ASSERT_EQ(f.host->RegisterType(Recorder("interface_zpane::section flags? text? border='yes'? gradient='20'? "
                                          "textshadow='yes'? textalign? ( interface_zpane* )",
                                          &f.log)),
            0);
  ASSERT_EQ(f.Parse("<zml><section textshadow='no' text='T'/></zml>"), 0);
  const std::vector<std::string> expected = {
      "section: Create Interface='interface_zpane' Type='section' Name='section'",
      "section: BeginInitialize",
      "section: SetProperty Property='text' Value='T'",
      "section: SetProperty Property='border' Value='yes'",
      "section: SetProperty Property='gradient' Value='20'",
      "section: SetProperty Property='textshadow' Value='no'",
      "section: EndInitialize",
      "section: Finish",
  };
  EXPECT_EQ(f.log.lines, expected);
}

TEST(ZMLScriptHost, VariablesAndConstants) {
  Fixture f;
  ASSERT_EQ(f.Parse("<zml><var name='W' value='10'/><var name='w' value='$(w)0'/>"
                    "<const name='k' value='&amp;lt;'/><box text='$(w)-$(K)'/></zml>"),
            0)
      << f.LastBox();
  ASSERT_NE(f.host->GetVariable("w"), nullptr);
  EXPECT_EQ(*f.host->GetVariable("w"), "100");
  // A new variable's value is processed once more when it is defined.
  EXPECT_EQ(*f.host->GetVariable("k"), "<");
  EXPECT_TRUE(f.Logged("box: SetProperty Property='text' Value='100-<'"));

  ExpectParseCodes({
      {"<zml><const name='w' value='1'/><var name='w' value='2'/></zml>", kZErrConstantAlreadyDefined},
      {"<zml><const name='w' value='1'/><const name='W' value='1'/></zml>", kZErrConstantAlreadyDefined},
      {"<zml><var name='w' value='1'/><const name='w' value='2'/><var name='w' value='3'/></zml>",
       kZErrConstantAlreadyDefined},
      {"<zml><var name='w'/></zml>", kZErrRequiredPropertyMissing},
      {"<zml><var name='w' value='1' other='2'/></zml>", kZErrUnknownProperty},
      {"<zml><var name='w' value='$(undefined)'/></zml>", kZErrVariableNotDefined},
  });
  EXPECT_EQ(f.host->DefineVariable("K", "x", false), kZErrConstantAlreadyDefined);
}

TEST(ZMLScriptHost, Aliases) {
  Fixture f;
  ASSERT_EQ(f.Parse("<zml><alias name='BigBox' type='box' text='big' flags='a'/><bigbox name='b1'/>"
                    "<bigbox name='b2' text='own'/><panel need='1'><item/><bigbox/></panel></zml>"),
            0)
      << f.LastBox();
  for (const char* line :
       {"b1: Create Interface='interface_zpane' Type='box' Name='b1'", "b1: SetProperty Property='text' Value='big'",
        "b1: SetProperty Property='flags' Value='a'", "b2: SetProperty Property='text' Value='own'"})
    EXPECT_TRUE(f.Logged(line)) << line;

  ExpectParseCodes({
      {"<zml><alias name='x' type='nothing'/></zml>", kZErrTypeNotRegistered},
      {"<zml><alias name='item' type='box'/></zml>", kZErrTypeAlreadyRegistered},
      {"<zml><alias name='x' type='box' nope='1'/></zml>", kZErrUnknownProperty},
      {"<zml><alias name='x-y' type='box'/></zml>", kZErrIllegalIdentifier},
      {"<zml><alias name='x' type='zmlroot'/></zml>", kZErrCannotAlias},
      {"<zml><alias name='x'/></zml>", kZErrRequiredPropertyMissing},
  });
}

TEST(ZMLScriptHost, RuntimeErrorStopsTheBuildAndIsShown) {
  Fixture f;
  f.log.failId = kZMLEventSetProperty;
  f.log.failCode = kZErrIllegalPropertyValue;
  f.log.failName = "bad";
  ASSERT_EQ(f.Parse("<zml><box name='good'/>\n<box name='bad' text='x'><item/></box><box name='late'/></zml>"),
            kZErrIllegalPropertyValue);
  ASSERT_EQ(f.boxes.Boxes().size(), 1u);
  EXPECT_EQ(f.boxes.Boxes()[0].caption, "ZMLScriptHost Runtime Error");
  EXPECT_EQ(f.boxes.Boxes()[0].text,
            "A scriptable object returned an error:\n\nName:\tbad\nType:\tinterface_zpane::box\n"
            "Event:\tSetProperty Property='text' Value='x'\nError:\tIllegal property value");
  ASSERT_EQ(f.host->Diagnostics().size(), 1u);
  EXPECT_EQ(f.host->Diagnostics()[0].line, 2) << "runtime errors remember where the tag stood";
  EXPECT_EQ(f.host->Diagnostics()[0].column, 0);

  // Objects built so far stay; nothing after the failure is built.
  IEventListener* object = nullptr;
  EXPECT_EQ(f.host->GetObject("interface_zpane", "good", &object), 0);
  EXPECT_EQ(f.host->GetObject("interface_zpane", "late", &object), kZErrNoInstance);
  EXPECT_EQ(f.host->GetObject("interface_zpane", "item", &object), kZErrNoInstance);

  // A factory that makes the prototype, then nothing: a null pointer.
  Fixture g;
  int calls = 0;
  ASSERT_EQ(g.host->RegisterType([&]() -> IEventListener* {
    return calls++ == 0 ? new ZMLTest::RecordingObject("interface_x::flaky ()", &g.log) : nullptr;
  }),
            0);
  EXPECT_EQ(g.Parse("<zml><flaky/></zml>"), kZErrNullPointer);
  EXPECT_EQ(g.LastBox(),
            "A scriptable object returned an error:\n\nName:\tflaky\nType:\tinterface_x::flaky\n"
            "Event:\tCreate Interface='interface_x' Type='flaky' Name='flaky'\nError:\tNull-pointer");
}

class ThrowingObject : public IEventListener {
 public:
  int32_t OnEvent(ZEvent* event) override {
    if (event->Id() == kZMLEventGetTypeDecl)
      static_cast<ZMLEventGetTypeDecl*>(event)->SetDeclaration("interface_scripttag::thrower ()");
    if (event->Id() == kZMLEventFinish)
      throw ZError(kZErrFileOpenFailed);
    return 0;
  }
};

TEST(ZMLScriptHost, ThrowingObjectsAreReportedAndTheHostCanStartAgain) {
  Fixture f(false);
  Platform::DialogCapture& boxes = f.boxes;
  ZMLScriptHost& host = *f.host;
  ASSERT_EQ(host.RegisterType([]() -> IEventListener* { return new ThrowingObject(); }), 0);
  EXPECT_EQ(host.ParseText("<zml><thrower name='s'/></zml>"), kZErrFileOpenFailed);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text,
            "A scriptable object returned an error:\n\nName:\ts\nType:\tinterface_scripttag::thrower\n"
            "Event:\tFinish\nError:\tFile open failed");

  // After a teardown the same host takes a new document; types and variables stay.
  EXPECT_EQ(host.Teardown(), 0);
  ASSERT_EQ(host.Initialize(), 0);
  ASSERT_NE(host.FindType("thrower"), nullptr);
  EXPECT_EQ(host.ParseText("<zml><var name='x' value='1'/></zml>"), 0);
  EXPECT_EQ(host.FindNode("s"), nullptr) << "reference names went with the old tree";
}

TEST(ZMLScriptHost, ObjectLookupAndDependencies) {
  Fixture f;
  ZMLTest::RecordingObject manager("", &f.log);
  ASSERT_EQ(f.host->RegisterObject("interface_ieventlistener", "DefaultParameterListener", &manager), 0);
  EXPECT_EQ(f.host->RegisterObject("interface_x", "defaultparameterlistener", &manager), kZErrReferenceAlreadyDefined);
  ASSERT_EQ(f.Parse("<zml><item name='param'/><box name='knob'/><box name='other'/></zml>"), 0);

  IEventListener* object = nullptr;
  EXPECT_EQ(f.host->GetObject("interface_zpane", "PARAM", &object), 0);
  EXPECT_EQ(f.host->GetObject("interface_ieventlistener", "param", &object), 0) << "any object is a listener";
  EXPECT_EQ(f.host->GetObject("interface_zparameter", "param", &object), kZErrInterfaceMismatch);
  EXPECT_EQ(f.host->GetObject("interface_zpane", "nothing", &object), kZErrReferenceNotDefined);
  EXPECT_EQ(f.host->GetObject("interface_ieventlistener", "defaultparameterlistener", &object), 0);
  EXPECT_EQ(object, &manager);

  IEventListener* param = nullptr;
  IEventListener* knob = nullptr;
  IEventListener* other = nullptr;
  ASSERT_EQ(f.host->GetObject("interface_zpane", "param", &param), 0);
  ASSERT_EQ(f.host->GetObject("interface_zpane", "knob", &knob), 0);
  ASSERT_EQ(f.host->GetObject("interface_zpane", "other", &other), 0);
  EXPECT_EQ(f.host->AddDependency(knob, param), 0);
  EXPECT_EQ(f.host->AddDependency(param, other), 0);
  EXPECT_EQ(f.host->AddDependency(knob, &manager), kZErrExternalDependency);

  f.log.lines.clear();
  EXPECT_EQ(f.host->Teardown(), 0);
  // Last to first: `other` tells `param`, which still lives; `param` tells nobody alive.
  const std::vector<std::string> expected = {
      "param: DependeeDestroy Interface='interface_zpane' RefName='other'",
      "other: Destroy",
      "knob: Destroy",
      "param: Destroy",
  };
  EXPECT_EQ(f.log.lines, expected);
  EXPECT_EQ(f.log.alive, 1) << "only the external object is left, and it was never told anything";
}

TEST(ZMLScriptHost, DeepNestingBuildsAndTearsDown) {
  constexpr int kDepth = 10000;
  EventLog log;
  Platform::DialogCapture boxes;
  {
    ZMLScriptHost host;
    ASSERT_EQ(host.Initialize(), 0);
    ASSERT_EQ(host.RegisterType(Recorder("interface_zpane::v ( interface_zpane? )", &log)), 0);
    std::string text = "<zml>";
    for (int i = 0; i < kDepth; ++i)
      text += "<v>";
    for (int i = 0; i < kDepth; ++i)
      text += "</v>";
    text += "</zml>";
    ASSERT_EQ(host.ParseText(text), 0);
    EXPECT_EQ(log.alive, kDepth);
    const ZMLNode* deepest = host.Root();
    while (deepest && !deepest->Children().empty())
      deepest = deepest->Children()[0];
    ASSERT_NE(deepest, nullptr);
    EXPECT_EQ(deepest->Depth(), static_cast<size_t>(kDepth));

    // A failing deep document cleans up its open tags without recursion too.
    std::string broken = "<zml>";
    for (int i = 0; i < kDepth; ++i)
      broken += "<v>";
    EXPECT_EQ(host.ParseText(broken), kZErrMissingEndTag);
  }
  EXPECT_EQ(log.alive, 0) << "the host's destructor destroys every object";
}

}  // namespace
