// Line marks: the files they name, the runs a function body's marks are kept in while it is
// compiled, and the code moves of the generator (cut, erase, take out and place again) applied
// to them. A run covers the words from its start to the next run's; runs are in word order.
#include "zentra/compiler/zcllines.h"

#include <algorithm>

#include "zentra/compiler/zclgen.h"

// Files are looked up once per opening (sourceId -1 until then).
int32_t ZCLSourceId(ZCLState* st, ZCLFile* file) {
  if (file->sourceId >= 0)
    return file->sourceId;
  // An imported file is compiled under the name it was read by (its folder included), so the
  // name of the text is the file's.
  std::string name = file->name;
  auto found = st->sourceNames.find(name);
  if (found != st->sourceNames.end())
    return file->sourceId = found->second;
  ZILLong offset = -1;
  if (st->sourceFiles.size() > kZCLMarkMaxFile || ZILAddName(st->ps, name.c_str(), &offset) != 0)
    return file->sourceId = 0;
  const int32_t id = static_cast<int32_t>(st->sourceFiles.size());
  st->sourceFiles.push_back(offset);
  st->sourceNames.emplace(std::move(name), id);
  return file->sourceId = id;
}

bool ZCLResolveLineMark(const ZCLState* st, ZCLLineMark mark, ZILLong* file, ZILLong* line) {
  const size_t id = static_cast<size_t>(ZCLMarkFile(mark));
  if (mark == 0 || id >= st->sourceFiles.size())
    return false;
  *file = st->sourceFiles[id];
  *line = ZCLMarkLine(mark);
  return true;
}

void ZCLMarkCodeFrom(ZCLFunc* func, size_t at, ZCLLineMark mark) {
  ZCLLinesCut(func, at);
  std::vector<ZCLLineRun>& runs = func->lines;
  if (runs.empty() || runs.back().mark != mark)
    runs.push_back({static_cast<uint32_t>(at), mark});
}

void ZCLLinesCut(ZCLFunc* func, size_t size) {
  std::vector<ZCLLineRun>& runs = func->lines;
  while (!runs.empty() && runs.back().at >= size)
    runs.pop_back();
}

void ZCLLinesErase(ZCLFunc* func, size_t at, size_t n) {
  // Only the runs after `at` change (words are erased near the end of the code, so few): a run
  // that started inside the words taken out goes on from where they were, and of runs that now
  // start at the same word only the last covers anything.
  std::vector<ZCLLineRun>& runs = func->lines;
  size_t first = runs.size();
  while (first > 0 && runs[first - 1].at > at)
    first--;
  size_t out = first;
  for (size_t i = first; i < runs.size(); i++) {
    ZCLLineRun run = runs[i];
    run.at = run.at >= at + n ? run.at - static_cast<uint32_t>(n) : static_cast<uint32_t>(at);
    if (out > 0 && runs[out - 1].at == run.at)
      out--;
    runs[out++] = run;
  }
  runs.resize(out);
}

void ZCLLinesSpread(const std::vector<ZCLLineRun>& runs, size_t size, std::vector<ZCLLineMark>* marks) {
  marks->assign(size, 0);
  for (size_t i = 0; i < runs.size(); i++) {
    const size_t from = std::min<size_t>(runs[i].at, size);
    const size_t to = i + 1 < runs.size() ? std::min<size_t>(runs[i + 1].at, size) : size;
    if (from < to)
      std::fill(marks->begin() + static_cast<long>(from), marks->begin() + static_cast<long>(to), runs[i].mark);
  }
}

void ZCLLinesGather(const std::vector<ZCLLineMark>& marks, std::vector<ZCLLineRun>* runs) {
  runs->clear();
  for (size_t w = 0; w < marks.size(); w++)
    if (w == 0 ? marks[0] != 0 : marks[w] != marks[w - 1])
      runs->push_back({static_cast<uint32_t>(w), marks[w]});
}

// Code taken out to be placed again later (a loop's condition, after the body) carries one mark
// per word; placed, the marks become runs again.
void ZCLTakeLines(ZCLGen* g, size_t start, std::vector<ZCLLineMark>* out) {
  const std::vector<ZCLLineRun>& runs = g->func->lines;
  const size_t size = g->func->code.size();
  out->assign(size > start ? size - start : 0, 0);
  // The run in effect at `start`, then those after it.
  size_t i = static_cast<size_t>(
      std::upper_bound(runs.begin(), runs.end(), start, [](size_t w, const ZCLLineRun& r) { return w < r.at; }) -
      runs.begin());
  ZCLLineMark mark = i > 0 ? runs[i - 1].mark : 0;
  for (size_t w = start; w < size;) {
    const size_t next = i < runs.size() ? std::min<size_t>(runs[i].at, size) : size;
    std::fill(out->begin() + static_cast<long>(w - start), out->begin() + static_cast<long>(next - start), mark);
    w = next;
    if (i < runs.size())
      mark = runs[i++].mark;
  }
}

void ZCLPlaceLines(ZCLGen* g, size_t at, const std::vector<ZCLLineMark>& marks) {
  ZCLFunc* func = g->func;
  ZCLLinesCut(func, at);
  std::vector<ZCLLineRun>& runs = func->lines;
  ZCLLineMark last = runs.empty() ? 0 : runs.back().mark;
  for (size_t w = 0; w < marks.size(); w++)
    if (marks[w] != last || (w == 0 && runs.empty()))
      runs.push_back({static_cast<uint32_t>(at + w), last = marks[w]});
}
