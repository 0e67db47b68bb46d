// Source text records: opening (copying) a text, moving the read position and mapping a
// position to the line and column that messages show. The mapping resumes from the previous
// lookup when it can, so a pass that reports many warnings stays linear in the text.
#include "zentra/compiler/zclfile.h"

#include <algorithm>
#include <cstring>

ZILError ZCLFileOpen(ZCLFile* file, const char* name, const char* text, size_t length) {
  file->name = name ? name : kZCLAnonymousName;
  if (text)
    file->text.assign(text, length);
  else
    file->text.clear();
  file->pos = 0;
  file->pass = -1;
  file->peekFrom = static_cast<size_t>(-1);
  file->lcPos = 0;
  file->lcLine = 1;
  file->lcColumn = 1;
  file->lcBreak = 0;
  file->lineStarts.clear();
  file->lineHint = 0;
  file->lineBase = 0;
  file->sourceId = -1;
  return ZCL_OK;
}

ZILError ZCLFileOpen(ZCLFile* file, const char* name, const char* text) {
  return ZCLFileOpen(file, name, text, text ? std::strlen(text) : 0);
}

void ZCLFileClose(ZCLFile* file) {
  file->text.clear();
  file->text.shrink_to_fit();
  file->pos = 0;
  file->peekFrom = static_cast<size_t>(-1);
  file->lcPos = 0;
  file->lcLine = 1;
  file->lcColumn = 1;
  file->lcBreak = 0;
  std::vector<size_t>().swap(file->lineStarts);
  file->lineHint = 0;
}

namespace {

void indexLines(const ZCLFile* file) {
  std::vector<size_t>& starts = file->lineStarts;
  starts.assign(1, 0);
  const char* s = file->text.data();
  const char* end = s + file->text.size();
  // The next LF and the next CR, each found with memchr: a text is indexed at memory speed.
  auto next = [end](const char* from, char c) {
    return static_cast<const char*>(std::memchr(from, c, static_cast<size_t>(end - from)));
  };
  const char* lf = next(s, '\n');
  const char* cr = next(s, '\r');
  while (lf || cr) {
    const char* brk = !cr || (lf && lf < cr) ? lf : cr;
    const char* after = brk + 1;
    // The other break character right after it makes one line break with it.
    if (after < end && (*after == '\n' || *after == '\r') && *after != *brk)
      after++;
    starts.push_back(static_cast<size_t>(brk + 1 - s));
    if (lf && lf < after)
      lf = next(after, '\n');
    if (cr && cr < after)
      cr = next(after, '\r');
  }
}

}  // namespace

int ZCLFileLineSearch(const ZCLFile* file, size_t pos) {
  if (file->lineStarts.empty())
    indexLines(file);
  const std::vector<size_t>& starts = file->lineStarts;
  size_t h = file->lineHint < starts.size() ? file->lineHint : 0;
  if (pos < starts[h]) {
    h = static_cast<size_t>(std::upper_bound(starts.begin(), starts.begin() + static_cast<long>(h), pos) -
                            starts.begin()) -
        1;
  } else {
    // Code is made in text order: the line asked for is this one or a few lines on.
    while (h + 1 < starts.size() && starts[h + 1] <= pos)
      h++;
  }
  file->lineHint = h;
  return file->lineBase + static_cast<int>(h) + 1;
}

void ZCLFileLineColumn(const ZCLFile* file, size_t pos, int* line, int* column) {
  const char* s = file->text.data();
  size_t end = pos < file->text.size() ? pos : file->text.size();
  if (end < file->lcPos || file->lcPos > file->text.size()) {
    file->lcPos = 0;
    file->lcLine = 1;
    file->lcColumn = 1;
    file->lcBreak = 0;
  }
  int ln = file->lcLine, col = file->lcColumn;
  char pending = file->lcBreak;
  for (size_t i = file->lcPos; i < end; i++) {
    char c = s[i];
    if (c == '\n' || c == '\r') {
      if (pending && pending != c) {
        pending = 0;  // second byte of CR LF or LF CR
        continue;
      }
      ln++;
      col = 1;
      pending = c;
      continue;
    }
    pending = 0;
    if (c == '\t')
      col = ((col - 1) / 4 + 1) * 4 + 1;
    else
      col++;
  }
  file->lcPos = end;
  file->lcLine = ln;
  file->lcColumn = col;
  file->lcBreak = pending;
  *line = ln;
  *column = col;
}
