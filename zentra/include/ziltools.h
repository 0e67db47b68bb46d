// ziltools.h - helpers for authors of native types (classes written in C++ and called from
// ZentraScript) and the parts of the runtime interface a host uses after creating a state:
// argument readers and result writers for type procs, handle creation and conversion,
// declaration text building, garbage collection, fixed-size memory pools and calls into script.
#pragma once

#include "zilapi.h"

// ---------------------------------------------------------------------------------------------
// Type proc instances.

inline ZILLong NTLInstanceTypeID(const NTLInstance* inst) { return inst ? inst->typeID : 0; }
inline ZILState* NTLInstanceGetVM(const NTLInstance* inst) { return inst ? inst->state : nullptr; }

// ---------------------------------------------------------------------------------------------
// Arguments and results. Argument n is the handle at data stack position sp + n of the running
// context, so argument 0 is the first one. Results go to r1.

ZILLong NTLGetArgInt(ZILState* ps, ZILLong n);            // 0 when not an int
ZILFloat NTLGetArgFloat(ZILState* ps, ZILLong n);         // 0.0 when not a float (ints are not converted)
const ZILChar* NTLGetArgString(ZILState* ps, ZILLong n);  // "" when not a string, never none
// Length in bytes of the string argument n (0 when not a string); strings may hold zero bytes.
ZILLong NTLGetArgStringLength(ZILState* ps, ZILLong n);
// The handle with its reference count raised (release with NTLFreeHandle); the null handle,
// counted, when n is outside the stack.
ZILHandle* NTLGetArgHandle(ZILState* ps, ZILLong n);

ZILError NTLReturnInt(ZILState* ps, ZILLong v);
ZILError NTLReturnFloat(ZILState* ps, ZILFloat v);
ZILError NTLReturnString(ZILState* ps, const ZILChar* text);  // none reads as ""
ZILError NTLReturnStringBytes(ZILState* ps, const ZILChar* text, ZILLong length);
ZILError NTLReturnHandle(ZILState* ps, ZILHandle* h);  // shares h; null for none

// ---------------------------------------------------------------------------------------------
// Handles.

void NTLFreeHandle(ZILState* ps, ZILHandle* h);
// Marks h and everything reachable from it for the collector; called by NTL_MarkHandles.
ZILError NTLMarkHandle(ZILState* ps, ZILHandle* h);
// A new handle of typeID for a native value: int and float copy *pObject, object types wrap the
// pointer (the handle then owns the object). Anything else: the null handle (counted).
ZILHandle* NTLNewHandleForObject(ZILState* ps, ZILLong typeID, void* pObject);
// The int or float payload's address, or the object pointer, when h has exactly typeID.
void* NTLHandleToObject(ZILState* ps, ZILLong typeID, ZILHandle* h);
// A new handle holding a new object of typeID (script class instance with null members, or a
// native type's NTL_NewObject); none for other types or on failure.
ZILHandle* NTLNewObject(ZILState* ps, ZILLong typeID);
ZILLong NTLTypeNameToTypeID(ZILState* ps, const ZILChar* name);  // 0 when unknown
// The error code an exception value holds: a type-13 handle's payload, or the result of the
// getError method of a script class implementing `exception`; 0 for anything else.
ZILError NTLHandleToError(ZILState* ps, ZILHandle* h);

// ---------------------------------------------------------------------------------------------
// Declaration text (NTL_GetDeclString appends the class body to the buffer it receives).

struct NTLDeclBuffer {
  ZILChar* text;  // zero-terminated, or none while empty
  ZILLong length;
  ZILLong capacity;
  ZILState* state;
};
void NTLDeclInit(NTLDeclBuffer* decl, ZILState* ps);
void NTLDeclRelease(NTLDeclBuffer* decl);
inline const ZILChar* NTLDeclText(const NTLDeclBuffer* decl) { return decl && decl->text ? decl->text : ""; }
ZILError NTLDeclareVerbatim(NTLDeclBuffer* decl, const ZILChar* text);
// "const int name = value;\n"; ZIL_ERR_Illegal_Argument when decl or name is missing.
ZILError NTLDeclareConstantInt(NTLDeclBuffer* decl, ZILLong typeID, const ZILChar* name, ZILLong value);
// "const float name = %g;\n".
ZILError NTLDeclareConstantFloat(NTLDeclBuffer* decl, ZILLong typeID, const ZILChar* name, ZILFloat value);
// "const string name = \"value\";\n" with quotes and backslashes escaped.
ZILError NTLDeclareConstantString(NTLDeclBuffer* decl, ZILLong typeID, const ZILChar* name, const ZILChar* value);

// ---------------------------------------------------------------------------------------------
// Garbage collection and memory pools.

enum {
  ZIL_GC_EVENT_MARK = 0,
  ZIL_GC_EVENT_TERMINATE = 1
};
ZILError ZILAttachGCEventHandler(ZILState* ps, void* owner, ZILGCHandlerProc handler);
ZILError ZILDetachGCEventHandler(ZILState* ps, void* owner);
// Mark and sweep; the number of handles collected (0 while byte code runs).
ZILLong ZILCollectGarbage(ZILState* ps);
// Routes the runtime's allocations through six fixed-size block pools. Only before the first
// run and before any object exists: ZIL_ERR_Runtime_Initialized otherwise.
ZILError ZILUseFixMem(ZILState* ps);

// ---------------------------------------------------------------------------------------------
// Calls from native code into script code.

// A new `__delegate` handle for the global function name; none when there is none.
ZILHandle* ZILGetFunction(ZILState* ps, const ZILChar* name);

// Argument tags for ZILCallFunction: each argument is a tag followed by its value.
enum {
  ZIL_ARG_INT = 0,     // ZILLong (passed as int)
  ZIL_ARG_FLOAT = 1,   // ZILFloat (double)
  ZIL_ARG_STRING = 2,  // const ZILChar*
  ZIL_ARG_HANDLE = 3,  // ZILHandle* (shared)
};
// Calls a delegate. The result (owned by the caller, release with NTLFreeHandle) is r1 or the
// object thrown; a failure gives a type-13 handle holding its code. None before the first run.
ZILHandle* ZILCallFunction(ZILState* ps, ZILHandle* function, ZILLong argc, ...);

struct ZILDelegateTable {
  ZILLong count;
  ZILHandle** handles;
};
// One `__delegate` per function of a script object's class, at its method number.
ZILDelegateTable* ZILGetObjectDelegates(ZILState* ps, ZILHandle* object);
void ZILFreeObjectDelegates(ZILState* ps, ZILDelegateTable* table);

// Formats a value with one printf conversion specification into out (4096 bytes); anything the
// format cannot safely print gives "".
enum {
  ZIL_FORMAT_BUFFER = 4096
};
void ZILFormatValue(ZILState* ps, const ZILChar* format, ZILHandle* v, ZILChar* out);
// One element per conversion specification of format; the rest of the text is copied. *pOut is
// a new string handle.
ZILError ZILFormatArray(ZILState* ps, const ZILChar* format, ZILArray* a, ZILHandle** pOut);
