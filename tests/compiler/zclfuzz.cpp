// Fuzz entry over the compiler's text handling: tokenizing with peeks and position restores,
// block skipping, positions, literal values, diagnostics and option strings on arbitrary bytes.
// Built into the compiler tests (run over random inputs there) and into the libFuzzer target
// fuzz/zcl_token.cpp.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "zentra/compiler/zcldiag.h"
#include "zentra/compiler/zcloption.h"
#include "zentra/compiler/zcltoken.h"

int ZCLFuzzText(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  ZCLFile file;
  ZCLFileOpen(&file, "fuzz.zc", text, size);
  ZCLDiagnostics diag;
  ZCLOption options;
  std::string token, peeked;
  int id = 0, peekId = 0;
  size_t steps = 0;
  for (;;) {
    size_t before = ZCLFileGetPosition(&file);
    ZILError peekErr = ZCLPeekToken(&file, &peeked, &peekId);
    if (ZCLFileGetPosition(&file) != before)
      std::abort();  // a peek must not move
    ZILError err = ZCLGetToken(&file, &token, &id);
    if (err != peekErr || (err == ZCL_OK && (token != peeked || id != peekId)))
      std::abort();  // a peek must see what the read sees
    if (err != ZCL_OK) {
      ZCLReportError(&diag, &file, &options, token.c_str(), err);
      break;
    }
    if (ZCLFileGetPosition(&file) <= before || ZCLFileGetPosition(&file) > size)
      std::abort();  // every successful read advances within the text
    if (++steps > size)
      std::abort();
    if (id == kTokCharLiteral) {
      int32_t v;
      ZCLCharLiteralValue(token, &v);
    } else if (id == kTokFloatLiteral) {
      (void)ZCLFloatLiteralValue(token);
    } else if (id == kTokStringLiteral) {
      ZCLReportWarning(&diag, &file, &options, token.c_str(), ZCL_WARN_Typeless_To_Type);
    }
  }
  ZCLFileSetPosition(&file, 0);
  while (ZCLSkipBlock(&file) == ZCL_OK) {
  }
  // Resumed lookups (increasing, then back to the start) agree with fresh ones.
  for (size_t pos : {size / 3, size / 2, size, size / 4}) {
    int line, column, freshLine, freshColumn;
    ZCLFileLineColumn(&file, pos, &line, &column);
    ZCLFile fresh;
    ZCLFileOpen(&fresh, nullptr, text, size);
    ZCLFileLineColumn(&fresh, pos, &freshLine, &freshColumn);
    if (line != freshLine || column != freshColumn)
      std::abort();
  }
  ZCLFatalError(&diag, &file, "zclstate", 1, "fuzz", "ZCLFuzzText");
  ZCLFlushMessages(&diag);

  std::string asText(text, size);
  std::vector<ZCLOptionRejection> rejected;
  ZCLApplyOptionString(&options, asText.c_str(), nullptr, nullptr, &rejected);
  return 0;
}
