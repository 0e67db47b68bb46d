// Parameters and scalers through the markup: the scalers' formulas at computed points, steps,
// display formats and their refusals, numbers that are not finite, user indexes, vstparam's own
// properties, ghosts, and change notification between controls (the sender is not told, an
// unchanged value announces nothing, write-backs cannot ping-pong forever).
#include <gtest/gtest.h>

#include <cmath>

#include "tests/ztools/pane_test_support.h"
#include "ztools/zfloatparameter.h"
#include "ztools/zghostparameter.h"
#include "ztools/zparamformat.h"
#include "ztools/zparameterlist.h"

namespace ZTools {
namespace {

using PaneTest::ProbeControl;
using PaneTest::TestManager;

// Builds the parameters (and scalers) of `markup` with an empty surface.
struct Skin {
  TestManager m;
  int32_t code;
  explicit Skin(const std::string& markup)
      : code((m.Initialize(), m.LoadSkinText("<zml>" + markup +
                                             "<surfaces><surface><views><view size='1,1'/></views></surface>"
                                             "</surfaces></zml>"))) {}
  ZParameter* P(const char* name) { return m.FindParameter(name); }
};

const char* kScalers =
    "<scalers><expscaler name='sq' curve='2'/><expscaler name='mirror' curve='-2'/><logscaler name='db'/>"
    "<stringmap name='onoff' strings='Off,On'/><stringmap name='channels' strings='Mono=1,Stereo'/>"
    "<stringmap name='level' strings='Low<0.5, High>=0.5'/></scalers>";

TEST(ZParameterScalers, FormulasAtComputedPoints) {
  Skin s(std::string(kScalers) +
         "<parameters><float name='p_sq' scaler='sq'/><float name='p_mirror' scaler='mirror'/>"
         "<float name='p_db' scaler='db' format='%.2f'/><float name='p_onoff' scaler='onoff' range='0,1'/>"
         "<float name='p_channels' scaler='channels' range='0,3'/><float name='p_level' scaler='level'/></parameters>");
  ASSERT_EQ(s.code, 0);
  auto param = [&](const char* scaler) {
    return s.P(("p_" + std::string(scaler)).c_str());
  };
  auto position = [&](const char* scaler) {
    return double(static_cast<ZFloatParameter*>(param(scaler))->Position());
  };
  struct Case {
    const char* param;
    const char* set;  // as text
    double position;  // stored position afterwards
    const char* text;
  };
  const Case cases[] = {
      {"sq", "0.25", 0.0625, "0.25"},     {"mirror", "0.25", 0.4375, "0.25"}, {"db", "0", 1.0, "0.00"},
      {"db", "-6.0206", 0.5, "-6.02"},    {"db", "-120", 0.0, "-96.00"},      {"onoff", "On", 1.0, "On"},
      {"onoff", "0.5", 0.5, "0.5"},       {"onoff", "0", 0.0, "Off"},         {"channels", "Stereo", 2.0 / 3, "Stereo"},
      {"channels", "1", 1.0 / 3, "Mono"}, {"level", "0.2", 0.2, "Low"},       {"level", "0.5", 0.5, "High"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.param) + " = " + c.set);
    param(c.param)->SetStringValue(c.set);
    EXPECT_NEAR(position(c.param), c.position, 1e-5);
    EXPECT_EQ(param(c.param)->GetStringValue().View(), c.text);
  }
  // Read back through the curve: position 0.0625 of sq is the value 0.25.
  param("sq")->SetNormalized(0.25);
  EXPECT_NEAR(param("sq")->GetFloatValue(), 0.25, 1e-6);
  // A value a little off the map's numbers still finds its name.
  param("onoff")->SetFloatValue(0.99999);
  EXPECT_EQ(param("onoff")->GetStringValue().View(), "On");
}

TEST(ZParameterMarkup, RefusesBadValuesWithTheirCodes) {
  struct Case {
    const char* markup;
    int32_t code;
  };
  const Case cases[] = {
      {"<scalers><expscaler curve='0'/></scalers>", kZErrUnknownProperty},
      {"<scalers><expscaler curve='1e-60'/></scalers>", kZErrUnknownProperty},  // 0 once stored
      {"<scalers><expscaler curve='1e60'/></scalers>", kZErrIllegalPropertyValue},
      {"<scalers><expscaler curve='nan'/></scalers>", kZErrIllegalPropertyValue},
      {"<scalers><stringmap strings='a<x'/></scalers>", kZErrIllegalPropertyValue},
      {"<parameters><float value='nan'/></parameters>", kZErrIllegalPropertyValue},
      {"<parameters><float range='0,inf'/></parameters>", kZErrIllegalPropertyValue},
      {"<parameters><float steps='nan'/></parameters>", kZErrIllegalPropertyValue},
      {"<parameters><float format='%d'/></parameters>", kZErrIllegalPropertyValue},
      {"<parameters><float format='%s'/></parameters>", kZErrIllegalPropertyValue},
      {"<parameters><float format='%f %f'/></parameters>", kZErrIllegalPropertyValue},
      {"<parameters><float format='%123f'/></parameters>", kZErrIllegalPropertyValue},
      {"<parameters><float format='%n'/></parameters>", kZErrIllegalPropertyValue},
      {"<parameters><float index='-1'/></parameters>", kZErrIllegalPropertyValue},
      {"<parameters><float index='2147483647'/></parameters>", kZErrIllegalPropertyValue},
      {"<parameters><float scaler='nothing'/></parameters>", kZErrIllegalPropertyValue},
      {"<parameters><vstparam chunkid='TOOLONG8'/></parameters>", kZErrIllegalPropertyValue},
      {"<parameters><vstparam chunkid='A' midicontrol='128'/></parameters>", kZErrIllegalPropertyValue},
      {"<parameters><vstparam chunkid='A' flags='sometimes'/></parameters>", kZErrIllegalPropertyValue},
      {"<parameters><ghostparam name='g' linkto='g'/></parameters>", kZErrIllegalPropertyValue},
      {"<parameters><ghostparam linkto='nobody'/></parameters>", kZErrIllegalPropertyValue},
      {"<parameters><float colour='red'/></parameters>", kZErrUnknownProperty},
  };
  for (const Case& c : cases) {
    Skin s(c.markup);
    EXPECT_EQ(s.code, c.code) << c.markup;
  }
}

TEST(ZParameterValues, StepsFormatsIndexesAndVstProperties) {
  Skin s(
      "<parameters><float name='ten' range='0,10' steps='11'/><float name='one' steps='1'/>"
      "<float name='fmt' format='%5.1f%% of it' range='0,100' value='12.5'/><float name='plain'/>"
      "<parameters><float name='nested'/></parameters><float name='at5' index='5'/><float name='after'/>"
      "<vstparam name='vst' chunkid='VOL' flags='global,automatable' midicontrol='7' value='0.5'/>"
      "<vstparam name='vstdefault' chunkid='X'/></parameters>");
  ASSERT_EQ(s.code, 0);
  ZParameter* ten = s.P("ten");
  ten->SetFloatValue(3.4);
  EXPECT_FLOAT_EQ(float(ten->GetNormalized()), 0.3f);
  EXPECT_EQ(ten->GetStringValue().View(), "3");
  ten->SetFloatValue(3.6);
  EXPECT_EQ(ten->GetStringValue().View(), "4");
  ten->SetFloatValue(1e9);  // quantising never leaves the range
  EXPECT_EQ(ten->GetNormalized(), 1.0);
  EXPECT_EQ(s.P("one")->GetDiscreteSteps(), 0.0);
  EXPECT_EQ(s.P("fmt")->GetStringValue().View(), " 12.5% of it");
  EXPECT_TRUE(s.P("plain")->SetDisplayFormat("%.3f"));
  EXPECT_FALSE(s.P("plain")->SetDisplayFormat("%s"));
  EXPECT_TRUE(s.P("plain")->SetDisplayFormat(""));
  EXPECT_EQ(s.P("plain")->GetDisplayFormat().View(), kDefaultDisplayFormat);
  s.P("plain")->SetStringValue(s.P("plain")->GetStringValue().View());  // round trip keeps 0
  EXPECT_EQ(s.P("plain")->GetStringValue().View(), "0");

  struct Index {
    const char* name;
    int32_t index;
  };
  for (const Index& i : {Index{"ten", 0}, Index{"one", 1}, Index{"fmt", 2}, Index{"plain", 3}, Index{"nested", 0},
                         Index{"at5", 5}, Index{"after", 6}})
    EXPECT_EQ(s.P(i.name)->GetUserIndex(false), i.index) << i.name;
  auto* list = dynamic_cast<ZParameterList*>(s.m.Host().NodeOf(s.P("ten"))->Parent()->Object());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->FindByUserIndex(6), s.P("after"));

  auto* vst = dynamic_cast<ZVstParameter*>(s.P("vst"));
  ASSERT_NE(vst, nullptr);
  EXPECT_EQ(vst->GetStorageCaps(false), kVstParamGlobal | kVstParamAutomatable);
  EXPECT_EQ(vst->ChunkId().View(), "VOL");
  EXPECT_EQ(vst->MidiControl(), 7);
  EXPECT_EQ(vst->DefaultValue(), 0.5);
  EXPECT_EQ(s.P("vstdefault")->GetStorageCaps(false), kVstParamDefault);
}

TEST(ZParameterGhost, ForwardsBothWaysInItsOwnUnits) {
  Skin s(
      "<parameters><float name='volume' range='0,100'/><ghostparam name='unit' linkto='volume'/>"
      "<ghostparam name='same' linkto='volume' mode='2'/><ghostparam name='chain' linkto='unit' range='0,10'/>"
      "</parameters>");
  ASSERT_EQ(s.code, 0);
  s.P("unit")->SetFloatValue(0.25);
  EXPECT_DOUBLE_EQ(s.P("volume")->GetFloatValue(), 25.0);
  s.P("volume")->SetFloatValue(75);
  EXPECT_DOUBLE_EQ(s.P("unit")->GetFloatValue(), 0.75);
  EXPECT_DOUBLE_EQ(s.P("chain")->GetFloatValue(), 7.5);
  s.P("same")->SetFloatValue(30);
  EXPECT_NEAR(s.P("volume")->GetFloatValue(), 30.0, 1e-4);
  EXPECT_EQ(s.P("unit")->GetUserIndex(true), s.P("volume")->GetUserIndex(false));
}

const char* kTwoControls =
    "<parameters><float name='v' range='0,100'/><ghostparam name='g' linkto='v'/></parameters>"
    "<surfaces><surface><views><view size='10,10'>"
    "<probecontrol name='a' parameter='v'/><probecontrol name='b' parameter='v'/><probecontrol name='c' parameter='g'/>"
    "</view></views></surface></surfaces>";

TEST(ZParameterNotify, EveryListenerButTheSenderIsToldOnceAndOnlyOfRealChanges) {
  TestManager m;
  ASSERT_EQ(m.Initialize(), 0);
  ASSERT_EQ(m.LoadSkinText(std::string("<zml>") + kTwoControls + "</zml>"), 0);
  auto* a = dynamic_cast<ProbeControl*>(m.FindView("a"));
  ASSERT_NE(a, nullptr);
  a->name = "a";
  static_cast<ProbeControl*>(m.FindView("b"))->name = "b";
  static_cast<ProbeControl*>(m.FindView("c"))->name = "c";
  a->SetFloat(40);
  a->SetFloat(40);  // no change: nobody is told
  // In attach order: the ghost (which tells c) was attached to v before b.
  EXPECT_EQ(m.log, std::vector<std::string>({"c:Changed 0.4", "b:Changed 40"}));
  m.log.clear();
  static_cast<ProbeControl*>(m.FindView("c"))->SetNormalized(0.5);  // through the ghost to v
  EXPECT_EQ(m.log, std::vector<std::string>({"a:Changed 50", "b:Changed 50"}));
}

TEST(ZParameterNotify, ControlsThatWriteBackCannotPingPongForever) {
  TestManager m;
  ASSERT_EQ(m.Initialize(), 0);
  ASSERT_EQ(
      m.LoadSkinText("<zml><parameters><float name='v' range='0,1000'/></parameters><surfaces><surface><views>"
                     "<view size='10,10'><probecontrol name='a' parameter='v' echo='yes'/>"
                     "<probecontrol name='b' parameter='v' echo='yes'/></view></views></surface></surfaces></zml>"),
      0);
  m.FindParameter("v")->SetFloatValue(1);
  m.FindParameter("v")->SetDirty();
  m.FindParameter("v")->Announce();
  EXPECT_LT(m.log.size(), 20u);
  EXPECT_GT(m.log.size(), 1u);
}

}  // namespace
}  // namespace ZTools
