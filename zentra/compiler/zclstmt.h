// zclstmt.h - what the statement files share: scopes of locals, branches, the members given a
// value on a path, breakable constructs, and the statements compiled in files of their own.
#pragma once

#include <vector>

#include "zentra/compiler/zclgen.h"

// Frees the temporaries a statement left in registers.
void ZCLFreeStatementTemps(ZCLGen* g);

// Opens a scope for locals; returns the stack depth to close it at.
int ZCLOpenScope(ZCLGen* g);
// Closes the innermost scope: its stack locals are dropped (in code too when dropInCode) and
// its register locals freed.
ZILError ZCLCloseScope(ZCLGen* g, int scopeSp, bool dropInCode);

// A `bra` to be patched: *at its address, *word its offset word.
ZILError ZCLEmitForwardBranch(ZCLGen* g, size_t* at, size_t* word);

// The members given a value on the current path; all of them once the path has left.
std::vector<bool> ZCLPathMembers(const ZCLGen* g);
// Where two paths join: the members both gave.
void ZCLJoinMembers(std::vector<bool>* into, const std::vector<bool>& other);

// A construct `break` leaves (loops and switch): opened before its body, closed after it, when
// its breaks are patched to the end.
void ZCLOpenBreakable(ZCLGen* g);
void ZCLCloseBreakable(ZCLGen* g);

// Statements with files of their own; each is called after its keyword was read.
ZILError ZCLParseWhile(ZCLGen* g);   // zclloops.cpp
ZILError ZCLParseDo(ZCLGen* g);      // zclloops.cpp
ZILError ZCLParseFor(ZCLGen* g);     // zclloops.cpp
ZILError ZCLParseSwitch(ZCLGen* g);  // zclswitch.cpp
