// The utility classes as scripts see them: Math at computed values and its array forms, the noise
// generators' first values and determinism, Random's ranges and Chance limits, the timers across
// short sleeps, and hostile numbers (NaN, infinities, huge seeds and ranges).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>

#include "bindings/zscriptprelude.h"
#include "bindings/zutilityclasses.h"
#include "tests/bindings/testscript.h"

namespace ZTools {
namespace {

// A runtime with the utility classes and the declarations prelude, running one script.
class Script : public TestScript {
 public:
  explicit Script(const std::string& text)
      : TestScript(
            {RandomTypeProc, TimerTypeProc, MathTypeProc},
            ScriptDeclarationsPrelude(false, false, false) + "import Random; import Timer; import Math;\n" + text) {}

  // Calls a global function with float arguments; its result as a float, an int or a text
  // ("exception N" when it failed).
  template <class... Floats>
  ZILFloat Float(const char* name, Floats... args) {
    ZILHandle* r = CallFloats(name, sizeof...(args), ZILFloat(args)...);
    const ZILFloat v = r && r->type == ZIL_TYPE_FLOAT ? r->payload.f : -12345.0;
    Free(r);
    return v;
  }
  template <class... Floats>
  ZILLong Int(const char* name, Floats... args) {
    ZILHandle* r = CallFloats(name, sizeof...(args), ZILFloat(args)...);
    const ZILLong v = r && r->type == ZIL_TYPE_INT ? r->payload.l : -12345;
    Free(r);
    return v;
  }
  // A float array as its elements printed with %.17g, separated by blanks.
  std::string Array(const char* name) {
    ZILHandle* r = Call(name, 0);
    std::string text;
    if (!r || r->type != ZIL_TYPE_ARRAY)
      text = !r ? "none" : r->type == ZIL_TYPE_EXCEPTION ? "exception " + std::to_string(r->payload.l) : "a value";
    const auto* a = r && r->type == ZIL_TYPE_ARRAY ? static_cast<const ZILArray*>(r->payload.p) : nullptr;
    for (ZILLong i = 0; a && i < a->length; ++i) {
      char buffer[40];
      std::snprintf(buffer, sizeof buffer, "%.17g", a->slots[i]->payload.f);
      text += (i ? " " : "") + std::string(buffer);
    }
    Free(r);
    return text;
  }

 private:
  // Up to two float arguments; the runtime reads only the first argc.
  ZILHandle* CallFloats(const char* name, size_t argc, ZILFloat a = 0.0, ZILFloat b = 0.0) {
    return Call(name, ZILLong(argc), ZIL_ARG_FLOAT, a, ZIL_ARG_FLOAT, b);
  }
};

const ZILFloat kNaN = std::nan("");

// Float arrays of none to three elements for the array forms.
constexpr const char* kArrays =
    "function float[] None() { float[] a = { }; return a; }\n"
    "function float[] One(float x) { float[] a = { x }; return a; }\n"
    "function float[] Two(float x, float y) { float[] a = { x, y }; return a; }\n"
    "function float[] Floats(float x, float y, float z) { float[] a = { x, y, z }; return a; }\n";

TEST(UtilityClasses, ClassDataAndRegistration) {
  struct Row {
    NTLTypeProc proc;
    const char* name;
    const char* packages;
    const char* stamp;
    const char* base;  // null: none
  } rows[] = {
      {MathTypeProc, "Math", "", "03.03.2011", nullptr},
      {RandomTypeProc, "Random", "GaussianNoise,LinearNoise,QuadraticNoise", "01.01.2010", nullptr},
      {LinearNoiseTypeProc, "LinearNoise", "", "03.03.2011", "NoiseGenerator"},
      {QuadraticNoiseTypeProc, "QuadraticNoise", "", "03.03.2011", "NoiseGenerator"},
      {GaussianNoiseTypeProc, "GaussianNoise", "", "03.03.2011", "NoiseGenerator"},
      {TimerTypeProc, "Timer", "Delay,StopWatch", "03.03.2011", nullptr},
      {DelayTypeProc, "Delay", "", "03.03.2011", nullptr},
      {StopWatchTypeProc, "StopWatch", "", "03.03.2011", nullptr},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ClassText(r.proc, NTL_GetClassName), r.name);
    EXPECT_EQ(ClassText(r.proc, NTL_GetPackageString), r.packages) << r.name;
    EXPECT_EQ(ClassText(r.proc, NTL_GetBuildTimeStamp), r.stamp) << r.name;
    EXPECT_EQ(ClassText(r.proc, NTL_GetBaseName), r.base ? r.base : "(none)") << r.name;
    EXPECT_EQ(r.proc(nullptr, 99, 0, nullptr, nullptr), ZIL_ERR_Unsupported_Native_Call) << r.name;
    if (r.proc != MathTypeProc && r.proc != TimerTypeProc) {
      EXPECT_EQ(r.proc(nullptr, NTL_CallStatic, 0, nullptr, nullptr), ZIL_ERR_Invalid_Function_Index) << r.name;
    }
  }
  // Math is functions only: a script cannot make one.
  Script s("Math m = new Math();");
  EXPECT_NE(s.code, 0);
}

TEST(UtilityClasses, MathFunctionsAtComputedValues) {
  struct Row {
    const char* expr;
    ZILFloat expected;
  } rows[] = {
      {"Math::Abs(-2.5)", 2.5},
      {"Math::Acos(0.5)", std::acos(0.5)},
      {"Math::Asin(0.5)", std::asin(0.5)},
      {"Math::Atan(2.0)", std::atan(2.0)},
      {"Math::Atan2(1.0, -2.0)", std::atan2(1.0, -2.0)},
      {"Math::Cos(1.0)", std::cos(1.0)},
      {"Math::Cosh(1.0)", std::cosh(1.0)},
      {"Math::Exp(1.0)", std::exp(1.0)},
      {"Math::Log(10.0)", std::log(10.0)},
      {"Math::Log10(1000.0)", 3.0},
      {"Math::Pow(2.0, 10.0)", 1024.0},
      {"Math::Sin(1.0)", std::sin(1.0)},
      {"Math::Sinh(1.0)", std::sinh(1.0)},
      {"Math::Tan(1.0)", std::tan(1.0)},
      {"Math::Tanh(1.0)", std::tanh(1.0)},
      {"Math::Sqrt(2.0)", std::sqrt(2.0)},
      {"Math::Ceil(-1.5)", -1.0},
      {"Math::Floor(-1.5)", -2.0},
      {"Math::Integer(-2.75)", -2.0},
      {"Math::Frac(-2.75)", -0.75},
      {"Math::Sgn(0.0)", 1.0},
      {"Math::Sgn(-0.5)", -1.0},
      {"Math::Min(3.0, -1.0)", -1.0},
      {"Math::Max(3.0, -1.0)", 3.0},
      {"Math::Lin(2.0, 4.0, 0.25)", 2.5},
      {"Math::PI", 3.141592653589793},
      {"Math::E", 2.718281828459045},
      {"Math::Sum(Floats(1.0, 2.0, 3.5))", 6.5},
      {"Math::Sum(None())", 0.0},
      {"Math::Prod(Floats(2.0, 3.0, 0.5))", 3.0},
      {"Math::Prod(Floats(2.0, 0.0, 5.0))", 0.0},
      {"Math::Prod(None())", 0.0},
      {"Math::Prod(One(-4.0))", -4.0},
      // Hostile values give IEEE results, never a trap.
      {"Math::Log(0.0)", -INFINITY},
      {"Math::Sqrt(-1.0)", kNaN},
      {"Math::Exp(1000.0)", INFINITY},
      {"Math::Integer(1e300)", 1e300},
      {"Math::Frac(Math::Exp(1000.0))", kNaN},
      {"Math::Sgn(Math::Sqrt(-1.0))", -1.0},
  };
  std::string text = kArrays;
  for (size_t i = 0; i < std::size(rows); ++i)
    text += "function float r" + std::to_string(i) + "() { return " + rows[i].expr + "; }\n";
  Script s(text);
  ASSERT_EQ(s.code, 0) << s.log;
  for (size_t i = 0; i < std::size(rows); ++i) {
    const ZILFloat v = s.Float(("r" + std::to_string(i)).c_str());
    if (std::isnan(rows[i].expected))
      EXPECT_TRUE(std::isnan(v)) << rows[i].expr << " gave " << v;
    else
      EXPECT_DOUBLE_EQ(v, rows[i].expected) << rows[i].expr;
  }
}

TEST(UtilityClasses, MathArrayFormsRepeatTheShorterArray) {
  struct Row {
    const char* expr;
    const char* expected;
  } rows[] = {
      {"Math::Add(Floats(1.0, 2.0, 3.0), One(10.0))", "11 12 13"},
      {"Math::Mul(Two(1.0, 2.0), Floats(3.0, 4.0, 5.0))", "3 8 5"},
      {"Math::Add(One(1.5), None())", "1.5"},
      {"Math::Mul(None(), None())", ""},
      {"Math::Proc(Floats(1.0, 2.0, 3.0), One(0.5), function (float x, float y) { return x - y; })", "0.5 1.5 2.5"},
      // An exception in the script's function ends the array where it is.
      {"Math::Proc(Floats(1.0, 2.0, 3.0), One(1.0), function (float x, float y) { int z = 0; if (x > 1.5) return 1 / "
       "z; "
       "return x; })",
       "1"},
  };
  std::string text = kArrays;
  for (size_t i = 0; i < std::size(rows); ++i)
    text += "function float[] r" + std::to_string(i) + "() { return " + rows[i].expr + "; }\n";
  Script s(text);
  ASSERT_EQ(s.code, 0) << s.log;
  for (size_t i = 0; i < std::size(rows); ++i)
    EXPECT_EQ(s.Array(("r" + std::to_string(i)).c_str()), rows[i].expected) << rows[i].expr;
}

TEST(UtilityClasses, NoiseGeneratorsFirstValuesAndDeterminism) {
  Script s(
      "function float first(NoiseGenerator n) { return n.Next(); }\n"
      "function float Linear(float seed) { return first(new LinearNoise(seed)); }\n"
      "function float Quadratic(float seed) { return first(new QuadraticNoise(seed)); }\n"
      "function float Gaussian(float seed) { return first(new GaussianNoise(seed)); }\n"
      "function float LinearSecond(float seed) { LinearNoise n = new LinearNoise(seed); n.Next(); return n.Next(); }\n"
      "function float RandomFirst(float seed) { Random r = new Random(seed); return r.GetDouble(); }\n"
      "function float Shared() { LinearNoise n = new LinearNoise(0.0); Random r = new Random(n); r.GetDouble();\n"
      "  return n.Next(); }\n"
      "function int Same(float seed) { GaussianNoise a = new GaussianNoise(seed); GaussianNoise b = new "
      "GaussianNoise(seed);\n"
      "  for (int i = 0; i < 100; i++) if (a.Next() != b.Next()) return 0; return 1; }\n"
      "function float DefaultRandom() { Random r = new Random(); return r.GetDouble(); }\n");
  ASSERT_EQ(s.code, 0) << s.log;
  const ZILFloat u1 = 907633515 / 4294967295.0;
  EXPECT_DOUBLE_EQ(s.Float("Linear", 0.0), u1);
  EXPECT_DOUBLE_EQ(s.Float("LinearSecond", 0.0), 0.614977155489609);
  EXPECT_DOUBLE_EQ(s.Float("Quadratic", 0.0), 0.4336179152589963);
  EXPECT_DOUBLE_EQ(s.Float("Gaussian", 0.0), 0.5945117799397197);
  EXPECT_DOUBLE_EQ(s.Float("DefaultRandom"), u1);
  EXPECT_DOUBLE_EQ(s.Float("Shared"), 0.614977155489609) << "Random draws from the generator it was given";
  EXPECT_EQ(s.Int("Same", 12345.0), 1);
  // Seeds are the truncated value's low 32 bits; NaN and infinities seed 0.
  struct Seed {
    ZILFloat seed;
    ZILFloat same;
  } seeds[] = {{7.9, 7.0},  {-0.9, 0.0},     {4294967296.0 + 7.0, 7.0}, {-1.0, 4294967295.0},
               {kNaN, 0.0}, {INFINITY, 0.0}, {-INFINITY, 0.0},          {1e300, std::fmod(1e300, 4294967296.0)}};
  for (const Seed& c : seeds) {
    EXPECT_DOUBLE_EQ(s.Float("Linear", c.seed), s.Float("Linear", c.same)) << c.seed;
    EXPECT_DOUBLE_EQ(s.Float("RandomFirst", c.seed), s.Float("Linear", c.same)) << c.seed;
  }
}

TEST(UtilityClasses, RandomRangesAndChanceLimits) {
  Script s(
      "Random r = new Random(99.0);\n"
      "function int IntOutside(float lo, float hi) { int n = 0; int a = lo; int b = hi;\n"
      "  for (int i = 0; i < 500; i++) { int v = r.GetIntMinMax(a, b); if (v < lo || v > hi) n++; } return n; }\n"
      "function int RangeOutside(float n) { int bad = 0; int k = n;\n"
      "  for (int i = 0; i < 500; i++) { int v = r.GetIntRange(k); if (v < 0 || v > k) bad++; } return bad; }\n"
      "function int DoubleOutside() { int n = 0;\n"
      "  for (int i = 0; i < 500; i++) { float v = r.GetDoubleMinMax(-2.0, 3.0); if (v < -2.0 || v > 3.0) n++;\n"
      "    v = r.GetDoubleRange(4.0); if (v < 0.0 || v > 4.0) n++; } return n; }\n"
      "function int Chances(float percent) { int n = 0; int p = percent;\n"
      "  for (int i = 0; i < 300; i++) n = n + r.Chance(p); return n; }\n"
      "function int RangeAtOne(float seed) { Random q = new Random(seed); return q.GetIntRange(10); }\n");
  ASSERT_EQ(s.code, 0) << s.log;
  EXPECT_EQ(s.Int("IntOutside", 3.0, 7.0), 0);
  EXPECT_EQ(s.Int("IntOutside", 5.0, 5.0), 0);
  EXPECT_EQ(s.Int("IntOutside", -2147483648.0, 2147483647.0), 0) << "the widest range cannot overflow";
  EXPECT_EQ(s.Int("RangeOutside", 10.0), 0);
  EXPECT_EQ(s.Int("DoubleOutside"), 0);
  // This seed's next state is 0xFFFFFFFF, the only one for which Next() is exactly 1.0.
  EXPECT_EQ(s.Int("RangeAtOne", 1933857988.0), 10);
  EXPECT_EQ(s.Int("RangeAtOne", 0.0), 2);
  struct Row {
    ZILFloat percent;
    ZILLong hits;  // of 300; -1: some but not all
  } chances[] = {{100, 300}, {150, 300}, {0, 0}, {-5, 0}, {50, -1}};
  for (const Row& c : chances) {
    const ZILLong hits = s.Int("Chances", c.percent);
    if (c.hits >= 0)
      EXPECT_EQ(hits, c.hits) << c.percent;
    else
      EXPECT_TRUE(hits > 0 && hits < 300) << c.percent << ": " << hits;
  }
}

// The delays (200 ms) are long against the time between two script calls, so a busy machine
// cannot make a "not yet elapsed" reading come late.
TEST(UtilityClasses, TimersAcrossShortSleeps) {
  Script s(
      "Timer t = new Timer(); Delay d = new Delay(); StopWatch w = new StopWatch();\n"
      "function float Ticks() { return Timer::GetTickCount(); }\n"
      "function float Difference() { return t.TickDifference(); }\n"
      "function int Elapsed() { return d.Elapsed(); }\n"
      "function StartDelay(float ms, float retrig) { int r = retrig; d.Start(ms, r); }\n"
      "function StopDelay() { d.Stop(); }\n"
      "function StartWatch() { w.Start(); }\n"
      "function StopWatchNow() { w.Stop(); }\n"
      "function float Watch() { return w.ElapsedMilliseconds(); }\n");
  ASSERT_EQ(s.code, 0) << s.log;
  auto sleep = [](int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  };
  const ZILFloat t0 = s.Float("Ticks");
  EXPECT_EQ(s.Int("Elapsed"), 0) << "before any Start";
  EXPECT_EQ(s.Float("Watch"), 0.0) << "never started";
  s.Float("Difference");
  s.Float("StartWatch");
  s.Float("StartDelay", 200.0, 0.0);
  EXPECT_EQ(s.Int("Elapsed"), 0);
  sleep(250);
  EXPECT_GE(s.Float("Ticks") - t0, 250.0);
  const ZILFloat difference = s.Float("Difference");
  EXPECT_GE(difference, 250.0);
  EXPECT_LT(s.Float("Difference"), difference) << "the difference restarts at each reading";
  EXPECT_EQ(s.Int("Elapsed"), 1);
  EXPECT_EQ(s.Int("Elapsed"), 1) << "without retrigger it stays elapsed";
  s.Float("StopDelay");
  EXPECT_EQ(s.Int("Elapsed"), 0) << "after Stop";
  const ZILFloat running = s.Float("Watch");
  EXPECT_GE(running, 250.0);
  s.Float("StopWatchNow");
  const ZILFloat stopped = s.Float("Watch");
  s.Float("StartDelay", 200.0, 257.0);  // the retrigger flag is the int's low byte: 1
  sleep(250);
  EXPECT_EQ(s.Float("Watch"), stopped) << "fixed after Stop";
  EXPECT_GE(stopped, running);
  EXPECT_EQ(s.Int("Elapsed"), 1);
  EXPECT_EQ(s.Int("Elapsed"), 0) << "retriggered";
  // Delays that can never elapse, and one that has elapsed at once.
  for (ZILFloat delay : {kNaN, ZILFloat(INFINITY)}) {
    s.Float("StartDelay", delay, 0.0);
    EXPECT_EQ(s.Int("Elapsed"), 0) << delay;
  }
  s.Float("StartDelay", -INFINITY, 0.0);
  EXPECT_EQ(s.Int("Elapsed"), 1);
}

}  // namespace
}  // namespace ZTools
