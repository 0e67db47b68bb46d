// Source text records: opening (copying) a text, moving the read position and mapping a
// position to the line and column that messages show. The mapping resumes from the previous
// lookup when it can, so a pass that reports many warnings stays linear in the text.
#include "src/compiler/zclfile.h"

#include <algorithm>
#include <cstring>

ZILError ZCLFileOpen(ZCLFile* file, const char* name, const char* text, size_t length)
{
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

ZILError ZCLFileOpen(ZCLFile* file, const char* name, const char* text)
{
    return ZCLFileOpen(file, name, text, text ? std::strlen(text) : 0);
}

void ZCLFileClose(ZCLFile* file)
{
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

void indexLines(const ZCLFile* file)
{
    std::vector<size_t>& starts = file->lineStarts;
    starts.assign(1, 0);
    const char* s = file->text.data();
    const size_t n = file->text.size();
    for (size_t i = 0; i < n; i++) {
        const char c = s[i];
        if (c != '\n' && c != '\r')
            continue;
        starts.push_back(i + 1);
        // The other break character right after it makes one line break with it.
        if (i + 1 < n && (s[i + 1] == '\n' || s[i + 1] == '\r') && s[i + 1] != c)
            i++;
    }
}

} // namespace

int ZCLFileLine(const ZCLFile* file, size_t pos)
{
    if (file->lineStarts.empty())
        indexLines(file);
    const std::vector<size_t>& starts = file->lineStarts;
    size_t h = file->lineHint < starts.size() ? file->lineHint : 0;
    // The hinted line or the one after it; else a search.
    for (int step = 0; step < 2 && h < starts.size(); step++, h++)
        if (starts[h] <= pos && (h + 1 == starts.size() || pos < starts[h + 1])) {
            file->lineHint = h;
            return file->lineBase + static_cast<int>(h) + 1;
        }
    h = static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), pos) - starts.begin()) - 1;
    file->lineHint = h;
    return file->lineBase + static_cast<int>(h) + 1;
}

void ZCLFileLineColumn(const ZCLFile* file, size_t pos, int* line, int* column)
{
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
                pending = 0;   // second byte of CR LF or LF CR
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
