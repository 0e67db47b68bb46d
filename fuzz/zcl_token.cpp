// libFuzzer target for the compiler's tokenizer and source text handling: reads, peeks,
// position restores, block skipping, line and column lookups, literal values, diagnostics and
// option strings over every input (the harness is shared with the compiler tests).
// fuzz-links: zcl zil
// fuzz-sources: tests/compiler/zclfuzz.cpp
#include <cstddef>
#include <cstdint>

int ZCLFuzzText(const uint8_t* data, size_t size);  // tests/compiler/zclfuzz.cpp

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return ZCLFuzzText(data, size); }
