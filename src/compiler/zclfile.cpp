// Source text records: opening (copying) a text, moving the read position and mapping a
// position to the line and column that messages show. The mapping resumes from the previous
// lookup when it can, so a pass that reports many warnings stays linear in the text.
#include "src/compiler/zclfile.h"

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
