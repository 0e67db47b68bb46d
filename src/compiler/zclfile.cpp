// Source text records: opening (copying) a text, moving the read position and mapping a
// position to the line and column that messages show.
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
}

void ZCLFileSetPosition(ZCLFile* file, size_t pos)
{
    file->pos = pos < file->text.size() ? pos : file->text.size();
}

void ZCLFileLineColumn(const ZCLFile* file, size_t pos, int* line, int* column)
{
    const char* s = file->text.data();
    size_t end = pos < file->text.size() ? pos : file->text.size();
    int ln = 1, col = 1;
    for (size_t i = 0; i < end; i++) {
        char c = s[i];
        if (c == '\n' || c == '\r') {
            // A two-byte pair of different break characters is one break.
            if (i + 1 < end && (s[i + 1] == '\n' || s[i + 1] == '\r') && s[i + 1] != c)
                i++;
            ln++;
            col = 1;
        } else if (c == '\t') {
            col = ((col - 1) / 4 + 1) * 4 + 1;
        } else {
            col++;
        }
    }
    *line = ln;
    *column = col;
}
