// libFuzzer target for whole compiles: every input is compiled as a script in a fresh runtime
// (imports read the same text again) and linked when it compiles; it must end in success or a
// reported error (the harness is shared with the compiler tests).
// fuzz-links: zcl zil
// fuzz-sources: tests/compiler/zclcompilefuzz.cpp
#include <cstddef>
#include <cstdint>

int ZCLFuzzCompile(const uint8_t* data, size_t size);  // tests/compiler/zclcompilefuzz.cpp

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ZCLFuzzCompile(data, size);
  return 0;
}
