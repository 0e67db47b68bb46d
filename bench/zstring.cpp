// The framework's text types against std::string in the same run: appending (buffer growth),
// searching, replace-all, case-insensitive map lookups, and the scanner reading a tag-shaped
// text word by word. Each pair reports bytes per second so the two sides compare directly.
// bench-links: ztools
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>

#include "ztools/base/zstring.h"
#include "ztools/base/zstringparser.h"

namespace {

using namespace ZTools;

constexpr size_t kTextSize = 1 << 20;

std::string MarkupText() {
  std::string text;
  while (text.size() < kTextSize)
    text += "  <button name='play' x='10' y='20' flags='wantclick, wantdraw'/>\n";
  return text;
}

template <typename S>
void Append(benchmark::State& state) {
  for (auto _ : state) {
    S s;
    for (size_t i = 0; i < kTextSize; ++i)
      s += static_cast<char>('a' + i % 26);
    benchmark::DoNotOptimize(s);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kTextSize));
}
void BM_AppendChar_ZString(benchmark::State& state) { Append<ZString>(state); }
void BM_AppendChar_StdString(benchmark::State& state) { Append<std::string>(state); }
BENCHMARK(BM_AppendChar_ZString);
BENCHMARK(BM_AppendChar_StdString);

void BM_Find_ZString(benchmark::State& state) {
  const ZString text(MarkupText() + "needle");
  for (auto _ : state)
    benchmark::DoNotOptimize(text.Find("needle"));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.Length()));
}
void BM_Find_StdString(benchmark::State& state) {
  const std::string text(MarkupText() + "needle");
  for (auto _ : state)
    benchmark::DoNotOptimize(text.find("needle"));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Find_ZString);
BENCHMARK(BM_Find_StdString);

void BM_ReplaceAll_ZString(benchmark::State& state) {
  const ZString source(MarkupText());
  for (auto _ : state) {
    ZString text(source);
    benchmark::DoNotOptimize(text.ReplaceAll("'", "&quot;"));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.Length()));
}
void BM_ReplaceAll_StdString(benchmark::State& state) {  // the usual find/replace loop
  const std::string source(MarkupText());
  for (auto _ : state) {
    std::string text(source), out;
    out.reserve(text.size());
    size_t start = 0, at;
    while ((at = text.find('\'', start)) != std::string::npos) {
      out.append(text, start, at - start).append("&quot;");
      start = at + 1;
    }
    out.append(text, start);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.size()));
}
BENCHMARK(BM_ReplaceAll_ZString);
BENCHMARK(BM_ReplaceAll_StdString);

void BM_MapLookupNoCase_ZString(benchmark::State& state) {
  std::map<ZString, int, ZStringLessNoCase> map;
  for (int i = 0; i < 1000; ++i)
    map[ZString::Formatted("Parameter_%d", i)] = i;
  int i = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(map.find(ZString::Formatted("PARAMETER_%d", i++ % 1000)));
}
void BM_MapLookupExact_StdString(benchmark::State& state) {  // reference: exact keys, no folding
  std::map<std::string, int> map;
  for (int i = 0; i < 1000; ++i)
    map["parameter_" + std::to_string(i)] = i;
  int i = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(map.find("parameter_" + std::to_string(i++ % 1000)));
}
BENCHMARK(BM_MapLookupNoCase_ZString);
BENCHMARK(BM_MapLookupExact_StdString);

// Reads the text as the markup parser does: skip blanks, read a word up to a blank or a tag
// character, repeat.
void BM_ScanWords_ZStringParser(benchmark::State& state) {
  ZStringParser parser(MarkupText());
  ZString word;
  for (auto _ : state) {
    parser.SetPosition(0);
    size_t words = 0;
    while (!parser.AtEnd()) {
      parser.Skip(" \t\r\n");
      if (parser.ReadUntil(" \t\r\n<>=", word) == 0)
        parser.Advance();
      ++words;
    }
    benchmark::DoNotOptimize(words);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * parser.Text().Length()));
}
void BM_ScanWords_StdString(benchmark::State& state) {
  const std::string text = MarkupText();
  std::string word;
  for (auto _ : state) {
    size_t at = 0, words = 0;
    while (at < text.size()) {
      at = std::min(text.find_first_not_of(" \t\r\n", at), text.size());
      const size_t end = std::min(text.find_first_of(" \t\r\n<>=", at), text.size());
      word.assign(text, at, end - at);
      at = end == at ? at + 1 : end;
      ++words;
    }
    benchmark::DoNotOptimize(words);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ScanWords_ZStringParser);
BENCHMARK(BM_ScanWords_StdString);

}  // namespace

BENCHMARK_MAIN();
