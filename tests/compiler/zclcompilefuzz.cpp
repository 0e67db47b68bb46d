// Robustness of whole compiles: any text must end in 0 or a reported error, never a crash or a
// hang. ZCLFuzzCompile compiles one text in a fresh runtime (imports read the same text again),
// links, and frees everything; the tests below drive it with random token sequences, and the
// libFuzzer target fuzz/zcl_compile.cpp with its inputs (built with SONABEL_FUZZER defined, which
// leaves the tests out).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "zentra/compiler/zclstate.h"
#include "zilcompiler.h"

namespace {

struct FuzzText {
  std::string text;
};

// Serves the text being compiled for every imported name.
ZILError serveSameText(ZILState* ps, ZILLong op, const ZILChar*, void* buffer, ZILLong size, void** file,
                       ZILLong* done) {
  auto* source = static_cast<FuzzText*>(ps->user);
  if (op == 0) {
    *file = new size_t(0);
    return 0;
  }
  auto* pos = static_cast<size_t*>(*file);
  if (op == 1) {
    size_t n = std::min(static_cast<size_t>(size), source->text.size() - *pos);
    std::memcpy(buffer, source->text.data() + *pos, n);
    *pos += n;
    *done = static_cast<ZILLong>(n);
    return 0;
  }
  delete pos;
  *file = nullptr;
  return 0;
}

}  // namespace

// Returns the compile's code; aborts when a reported failure left no message behind.
int ZCLFuzzCompile(const uint8_t* data, size_t size) {
  FuzzText source{std::string(reinterpret_cast<const char*>(data), size)};
  ZILState* ps = ZILInitialize();
  if (!ps)
    return 0;
  ps->user = &source;
  ps->fileInput = serveSameText;
  ps->log = [](ZILState*, const ZILChar*) {
  };
  if (ZILInitializeCompiler(ps) != 0)
    std::abort();
  ZILError err = ZCLCompile(ps, "fuzz.zc", source.text.c_str());
  ZCLState* st = ZCLGetState(ps);
  if (err >= 1200 && err <= 1281 && err != 1255 && st->diag.errors == 0)
    std::abort();  // every failure is reported
  if (err == 0)
    ZCLLink(ps);
  ZILTerminate(ps);
  return err;
}

#ifndef SONABEL_FUZZER
#include <gtest/gtest.h>

namespace {

// Declaration-heavy vocabulary, so random sequences reach deep into the parser.
const char* const kVocabulary[] = {
    "class",   "interface",   "native",     "extern",     "strict",   "function",
    "method",  "accessor",    "cofunction", "explicit",   "delegate", "alias",
    "import",  "using",       "option",     "__selftest", "hybrid",   "convertor",
    "const",   "weak",        "int",        "float",      "string",   "array",
    "var",     "bool",        "exception",  "A",          "B",        "x",
    "y",       "A::B",        "::",         ":",          ";",        ",",
    ".",       "(",           ")",          "{",          "}",        "[",
    "]",       "[]",          "=",          "-",          "+",        "1213",
    "0",       "0x7fffffff",  "1.5",        "'ab'",       "\"text\"", "\"verbose=1\"",
    "/\"v\"/", "return",      "if",         "__global",   "A",        "B",
    "A",       "method A();", "class A",    "{",          "}",        "(",
    ")",       ";",
};

std::string randomTokens(std::mt19937& random) {
  std::string text;
  size_t count = random() % 48;
  for (size_t i = 0; i < count; i++) {
    text += kVocabulary[random() % (sizeof kVocabulary / sizeof *kVocabulary)];
    text += random() % 8 ? " " : "\n";
  }
  return text;
}

TEST(CompileRobustness, TenThousandRandomTokenSequences) {
  std::mt19937 random(20261206);
  int compiled = 0, failed = 0;
  for (int i = 0; i < 10000; i++) {
    std::string text = randomTokens(random);
    int err = ZCLFuzzCompile(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    ASSERT_TRUE(err == 0 || (err >= 1200 && err <= 1281) || (err >= 1000 && err <= 1126)) << err << ": " << text;
    (err == 0 ? compiled : failed)++;
  }
  EXPECT_GT(compiled, 100);  // the vocabulary makes valid texts too
  EXPECT_GT(failed, 5000);
}

TEST(CompileRobustness, DeepNestingAndHugeInputsEnd) {
  std::string deep(100000, '{');
  EXPECT_EQ(ZCLFuzzCompile(reinterpret_cast<const uint8_t*>(deep.data()), deep.size()), 1201);
  std::string selftests;
  for (int i = 0; i < 200; i++)
    selftests += "__selftest 0 { ";
  EXPECT_NE(ZCLFuzzCompile(reinterpret_cast<const uint8_t*>(selftests.data()), selftests.size()), 0);
  // A text importing itself: the import (processed once per pass) declares A first.
  std::string imports = "import me; class A { method A(); }";
  EXPECT_EQ(ZCLFuzzCompile(reinterpret_cast<const uint8_t*>(imports.data()), imports.size()), 1206);
}

}  // namespace
#endif
