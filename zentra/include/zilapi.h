// zilapi.h - public interface of ZIL, the ZentraScript virtual machine.
// Plain records (state, handles, contexts, type and function records) and ZIL-prefixed functions
// that return ZILError codes; nothing here throws. Host programs and native types include this;
// the native-type helpers for class authors live in ziltools.h, the instruction table in
// zilopcodes.h. A ZILState belongs to one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "zilopcodes.h"

typedef int32_t ZILLong;
typedef double ZILFloat;
typedef char ZILChar;
typedef ZILLong ZILError;
typedef void ZILUnknown;

// Native binding code the compiler generates declares its type proc ZILEXTERN, so a host finds it
// by its plain name, and writes each declaration's documentation tag as TAG("text"), which the
// runtime does not need and drops (the compiler reads tags from script source only).
#ifndef ZILEXTERN
#define ZILEXTERN extern "C"
#endif
#ifndef TAG
#define TAG(x) ""
#endif

struct ZILState;
struct ZILContext;
struct ZILWeakTable;

// ---------------------------------------------------------------------------------------------
// Error codes. 0 is success, 1000-1016 are raised while byte code runs, 1100-1126 come from the
// interface. ZILGetExceptionString gives the text of each.
enum {
  ZIL_No_Exception = 0,
  ZIL_EXC_Illegal_Instruction = 1000,
  ZIL_EXC_Stack_Overflow = 1001,
  ZIL_EXC_Null_Reference = 1002,
  ZIL_EXC_Unsupported_Type = 1003,
  ZIL_EXC_Type_Mismatch = 1004,
  ZIL_EXC_Call_To_Non_Function = 1005,
  ZIL_EXC_Invalid_Operand = 1006,
  ZIL_EXC_Division_By_Zero = 1007,
  ZIL_EXC_Software = 1008,
  ZIL_EXC_Trace = 1009,
  ZIL_EXC_Break = 1010,
  ZIL_EXC_Unhandled = 1011,
  ZIL_EXC_Allocation_Fail = 1012,
  ZIL_EXC_Invalid_Code_Address = 1013,
  ZIL_EXC_Return_To_Native = 1014,
  ZIL_EXC_Object_Copy_Fail = 1015,
  ZIL_EXC_Abort = 1016,
  ZIL_ERR_Unspecified = 1100,
  ZIL_ERR_Illegal_Argument = 1101,
  ZIL_ERR_Out_Of_Code = 1102,
  ZIL_ERR_Illegal_Native_Type_Name = 1103,
  ZIL_ERR_Register_Native_Type_Failed = 1104,
  ZIL_ERR_Undefined_Native_Type = 1105,
  ZIL_ERR_Unsupported_Native_Call = 1106,
  ZIL_ERR_Invalid_Exception_Vector = 1107,
  ZIL_ERR_Invalid_Handle_Index = 1108,
  ZIL_ERR_Invalid_Handle_Type = 1109,
  ZIL_ERR_Invalid_Member_Index = 1110,
  ZIL_ERR_Invalid_Function_Index = 1111,
  ZIL_ERR_Invalid_Register_Number = 1112,
  ZIL_ERR_Call_To_Non_Function = 1113,
  ZIL_ERR_Runtime_Initialized = 1114,
  ZIL_ERR_Save_Chunk_Failed = 1115,
  ZIL_ERR_Load_Chunk_Failed = 1116,
  ZIL_ERR_No_Symbol_Table = 1117,
  ZIL_ERR_Symbol_Exists = 1118,
  ZIL_ERR_Symbol_Not_Found = 1119,
  ZIL_ERR_Incompatible_Native_Type = 1120,
  ZIL_ERR_Memory_Leaks = 1121,
  ZIL_ERR_Trace_Not_Supported = 1122,
  ZIL_ERR_Runtime_Blocked = 1123,
  ZIL_ERR_Code_Not_Initialized = 1124,
  ZIL_ERR_Initialize_Failed = 1125,
  ZIL_ERR_No_Compiler = 1126,
  // Codes the compiler reports for rejected runtime options.
  ZIL_ERR_Unknown_Option = 1503,
  ZIL_ERR_Invalid_Option_Value = 1504,
};

// ---------------------------------------------------------------------------------------------
// Values.

// Built-in type ids; fixed, created in this order at start-up.
enum {
  ZIL_TYPE_NULL = 0,
  ZIL_TYPE_INT = 1,
  ZIL_TYPE_FLOAT = 2,
  ZIL_TYPE_STRING = 3,
  ZIL_TYPE_STRING_PROCESSOR = 4,
  ZIL_TYPE_ARRAY = 5,
  ZIL_TYPE_ARRAY_ENUMERATOR = 6,
  ZIL_TYPE_ARRAY_PROCESSOR = 7,
  ZIL_TYPE_LIST = 8,
  ZIL_TYPE_LIST_ENUMERATOR = 9,
  ZIL_TYPE_LIST_COMPARATOR = 10,
  ZIL_TYPE_ITERATOR = 11,
  ZIL_TYPE_TABLE = 12,
  ZIL_TYPE_EXCEPTION = 13,
  ZIL_TYPE_DELEGATE = 14,  // `__delegate`, the generic delegate type
  ZIL_TYPE_VAR = 15,
  ZIL_FIRST_USER_TYPE = 16,
};

// Type families (ZILTypeInfo::family).
enum {
  ZIL_FAMILY_NONE = 0,
  ZIL_FAMILY_INTEGRAL = 1,
  ZIL_FAMILY_CLASS = 2,
  ZIL_FAMILY_INTERFACE = 3,
  ZIL_FAMILY_THREAD = 4,  // cofunctions
  ZIL_FAMILY_DELEGATE = 5,
};

// Handle flags.
enum {
  ZIL_HANDLE_BLOCK_START = 1,  // first handle of a pool block; owns the block's memory
  ZIL_HANDLE_WEAK = 2,         // does not own its payload
  ZIL_HANDLE_MARK = 4,         // collector's mark
};

// One script value. 16 bytes; int and float live in the payload, everything else is a pointer
// to its object (full 64-bit width).
struct ZILHandle {
  uint16_t type;
  uint16_t flags;
  ZILLong refCount;  // 0: the handle is free
  union {
    ZILLong l;
    ZILFloat f;
    void* p;
  } payload;
};
static_assert(sizeof(ZILHandle) == 16, "handles are 16 bytes");

// Objects the runtime itself understands.
struct ZILString {
  ZILLong length;    // bytes, without the terminating zero
  ZILLong capacity;  // bytes allocated for text
  ZILChar* text;     // zero-terminated, or none while empty
  ZILState* state;
};

struct ZILArray {
  ZILLong length;     // elements
  ZILLong capacity;   // slots; (length / 32 + 1) * 32, 0 when there are no slots
  ZILHandle** slots;  // every slot up to the capacity holds a counted handle; past the length: null
  ZILState* state;
};

// A list of key/value pairs. Each node is counted: the list holds one reference and every
// iterator positioned on it one more, so a node removed from the list lives on while an iterator
// is on it. Keys are int, float or string values.
struct ZILList;
struct ZILListNode {
  ZILList* list;      // none once removed
  ZILListNode* prev;  // in the list: neighbours; once removed: counted links (see zillistnodes.cpp)
  ZILListNode* next;
  ZILHandle* key;    // counted; none once removed and no iterator is on the node
  ZILHandle* value;  // counted, same
  ZILLong refCount;  // 1 for the list, plus one per iterator on the node
  ZILLong links;     // removed nodes whose prev or next lead here
};

struct ZILList {
  ZILLong count;
  ZILListNode* first;
  ZILListNode* last;
  ZILState* state;
  ZILLong busy;     // methods calling script code hold the list open
  ZILLong doomed;   // destroyed while busy: freed when the last such method returns
  ZILLong changes;  // counts insertions, removals and moves, so a sort can tell it was disturbed
};

struct ZILIterator {
  ZILListNode* node;  // counted, or none
  ZILHandle* list;    // counted list handle, or none
  ZILLong spare;
  ZILLong deleted;  // set by delete() until the iterator moves
};

// A string-keyed table stored as a byte trie: each key byte takes two steps, first to the child
// numbered by its high four bits, then to the one numbered by its low four bits.
struct ZILTrieNode {
  void* value;  // none when no key ends here
  ZILTrieNode* child[16];
};
enum {
  ZIL_TABLE_HANDLES = 0,
  ZIL_TABLE_POINTERS = 1
};
typedef void (*ZILTableReleaseProc)(ZILState* ps, void* value);
struct ZILTable {
  ZILTableReleaseProc release;  // called for every stored value when it is replaced or the table goes
  ZILState* state;
  ZILTrieNode* root;
  ZILLong mode;  // ZIL_TABLE_HANDLES: values are counted handles; ZIL_TABLE_POINTERS: plain pointers
  void* chunks;  // the nodes live in chunks owned by the table, freed with it
  ZILLong busy;
  ZILLong doomed;
};

// Instance of a script class: count member handles follow the header.
struct ZILInstance {
  ZILLong count;
  ZILLong spare;
};
inline ZILHandle** ZILInstanceMembers(ZILInstance* inst) { return reinterpret_cast<ZILHandle**>(inst + 1); }

// Delegate: a function index (unbound) or a method number (bound to object).
struct ZILDelegate {
  ZILLong index;
  ZILHandle* object;  // counted, or none for a global function
};

// ---------------------------------------------------------------------------------------------
// Native types. A native class is connected through one entry function, its type proc.

enum {
  NTL_Register = 0,
  NTL_Initialize = 1,
  NTL_NewObject = 2,
  NTL_MarkHandles = 3,
  NTL_CallStatic = 4,
  NTL_CallMember = 5,
  NTL_DestroyObject = 6,
  NTL_Terminate = 7,
  NTL_Unregister = 8,
  NTL_GetClassName = 9,
  NTL_GetBaseName = 10,
  NTL_GetInterfaceVersion = 11,
  NTL_GetAuthorVersion = 12,
  NTL_GetBuildTimeStamp = 13,
  NTL_GetAuthorName = 14,
  NTL_GetAuthorString = 15,
  NTL_GetDeclString = 16,
  NTL_GetPackageString = 17,
};

struct NTLInstance;
typedef ZILError (*NTLTypeProc)(NTLInstance* pInst, ZILLong msg, ZILLong param, ZILUnknown* pDataIn,
                                ZILUnknown** ppDataOut);

struct NTLInstance {
  ZILLong typeID;
  ZILLong user;  // free for the proc's own use
  ZILState* state;
  const ZILChar* typeName;
};

// ---------------------------------------------------------------------------------------------
// Segments.

struct ZILTypeInfo {
  ZILLong typeID;    // equal to the record's index
  ZILLong baseType;  // implemented interface, or 0
  ZILLong family;    // ZIL_FAMILY_*
  ZILLong isNative;
  ZILLong pName;       // offset of the name in the name segment
  ZILLong offsetVtab;  // offset in the name segment of the method table (ZILLong function indices)
  ZILLong methodCount;
  ZILLong instanceSize;      // member handles of a script class instance
  ZILLong interfaceVersion;  // recorded at compile time
  ZILLong authorVersion;     // recorded at compile time
  ZILLong compilerWord1;
  ZILLong copyConstructor;  // method number, -1 when none
  ZILLong compilerWord2;
  NTLTypeProc typeProc;  // set by the first run
  NTLInstance instance;
};

struct ZILFuncInfo {
  ZILLong typeID;       // owning type
  ZILLong isMethod;     // needs `this`
  ZILLong codeAddress;  // first instruction word
  ZILLong codeSize;     // words
  ZILLong memberIndex;  // method number; for a native type the function number given to its proc
  ZILLong name;         // offset in the name segment
};

// A growable array: count elements in use of capacity, each elementSize bytes.
struct ZILSegment {
  void* base;
  ZILLong count;
  ZILLong capacity;
  ZILLong elementSize;
};

// The code segment always keeps ZIL_CODE_PADDING zero words after its last instruction, so an
// instruction cut short at the end reads zeros instead of memory past the segment.
enum {
  ZIL_CODE_PADDING = 8
};

// ---------------------------------------------------------------------------------------------
// Contexts. Registers are the top 32 slots of the data stack; both stacks grow downward.

enum {
  ZIL_REGISTER_COUNT = 32
};

struct ZILContext {
  ZILLong sp;             // data stack pointer (index)
  ZILLong csp;            // call stack pointer (index)
  ZILLong pc;             // saved program counter
  ZILHandle** regs;       // r0..r31 = dataStack[dataSize - 32 ..]
  ZILHandle** dataStack;  // dataSize entries
  ZILLong* callStack;     // callSize entries of return addresses
  ZILLong spare;
  ZILLong dataSize;
  ZILLong callSize;
  ZILContext* resumer;  // the context that resumed this cofunction, while it runs
  ZILHandle* running;   // this cofunction's own handle, counted while it runs
  ZILLong finished;     // the cofunction's code returned
};

// ---------------------------------------------------------------------------------------------
// The state.

typedef void (*ZILExceptionVector)(ZILState* ps);
typedef void (*ZILLogProc)(ZILState* ps, const ZILChar* line);
typedef void* (*ZILAllocProc)(ZILState* ps, size_t size);
typedef void (*ZILFreeProc)(ZILState* ps, void* p);
typedef ZILError (*ZILFileInputProc)(ZILState* ps, ZILLong op, const ZILChar* name, void* buffer, ZILLong size,
                                     void** pFile, ZILLong* pDone);
typedef ZILError (*ZILCompilerFreeProc)(ZILState* ps);
// The compiler's file generators, as the `runtime` class reaches them: what is one of
// ZIL_GENERATE_*, path the folder written into. Installed by the compiler, cleared when it goes.
typedef ZILError (*ZILCompilerGenerateProc)(ZILState* ps, ZILLong what, const ZILChar* path);
enum {
  ZIL_GENERATE_BINDINGS = 0,
  ZIL_GENERATE_DOCS = 1
};
typedef ZILError (*ZILGCHandlerProc)(ZILState* ps, ZILLong event, void* owner);

struct ZILNativeTypeEntry {
  ZILChar* name;
  NTLTypeProc proc;
};

struct ZILGCHandler {
  void* owner;
  ZILGCHandlerProc handler;
  ZILGCHandler* next;
};

enum {
  ZIL_VECTOR_MACHINE = 0,
  ZIL_VECTOR_SOFTWARE = 1,
  ZIL_VECTOR_TRACE = 2,
  ZIL_VECTOR_BREAK = 3,
};

enum {
  ZIL_FLAG_TRACE = 1,
  ZIL_FLAG_RUNTIME_CHECKS = 2,
  ZIL_FLAG_DEBUG_BUILD = 4,
  ZIL_FLAG_RELEASE_BUILD = 8,
  // Set by a host whose scripts must not write files (a skin): the `runtime` class refuses
  // generateBindings and generateDocs with ZIL_ERR_Unsupported_Native_Call whatever generators
  // the runtime may offer.
  ZIL_FLAG_NO_FILE_OUTPUT = 16,
};

struct ZILState {
  ZILContext* current;
  ZILContext* root;
  ZILError pendingException;  // 0 when none; only an exception vector clears it
  ZILLong exceptionSP;
  ZILLong exceptionCSP;
  ZILLong exceptionPC;  // address of the faulting instruction
  ZILLong nativePC;     // address of the last native call
  ZILLong collectedTotal;
  ZILLong inVector;
  ZILLong initialized;
  ZILLong running;
  ZILLong blocked;
  ZILLong logGarbage;
  ZILLong dataStackSize;
  ZILLong callStackSize;
  ZILLong typeGrowth;
  ZILLong growth2;
  ZILLong constantsMaterialized;
  ZILLong initCodeAddress;
  ZILLong depth;
  uint64_t instructionCounter;
  double lastCollectionTime;

  ZILSegment data;   // ZILHandle records; see ZILAddConstant*
  ZILSegment code;   // ZILLong words
  ZILSegment funcs;  // ZILFuncInfo
  ZILSegment names;  // bytes
  ZILSegment types;  // ZILTypeInfo

  // Handle pool: handles[] holds every handle in pool order; freeStack[] entries below
  // handlesInUse are taken, the rest are free handles.
  ZILLong handleCapacity;
  ZILLong handlesInUse;
  ZILLong handleGrowth;
  ZILHandle** handles;
  ZILHandle** freeStack;
  ZILHandle* nullHandle;

  ZILLong nativeCapacity;
  ZILLong nativeCount;
  ZILLong nativeGrowth;
  ZILNativeTypeEntry* nativeTypes;

  ZILHandle* thrown;  // exception object being thrown (counted)
  ZILGCHandler* gcHandlers;
  ZILFileInputProc fileInput;
  void* compiler;
  ZILCompilerFreeProc compilerFree;
  ZILCompilerGenerateProc compilerGenerate;
  ZILExceptionVector vectors[4];
  ZILAllocProc alloc;
  ZILFreeProc free;
  ZILLong runtimeFlags;
  ZILLong libraryVersion;
  ZILLong runtimeVersion;
  ZILLong compilerVersion;
  ZILLong typeInterfaceVersion;

  ZILLogProc log;
  ZILWeakTable* weakRefs;  // object -> weak handles, so they turn null when it goes
  void* fixMemPools[6];
  void* markStack;     // the collector's work list while it marks
  void* releaseQueue;  // handles whose count reached 0 inside a release, destroyed by its outermost call
  void* user;          // free for the host
  void* typeNames;     // name -> type id trie behind NTLTypeNameToTypeID, built on first use
};

// ---------------------------------------------------------------------------------------------
// Lifecycle.

ZILState* ZILInitialize();
ZILError ZILTerminate(ZILState* ps);
// Option names: "stack-size", "data-stack-size", "call-stack-size", "log-garbage".
ZILError ZILSetOption(ZILState* ps, const ZILChar* name, const ZILChar* value);
ZILError ZILRegisterNativeType(ZILState* ps, NTLTypeProc proc);
// First-run initialisation: native types, root context, constants. Later calls only
// materialise constants added since.
ZILError ZILPrepareRun(ZILState* ps);
// Runs the initialisation code at ps->initCodeAddress.
ZILError ZILRun(ZILState* ps);
// Runs the code at address on the root context until it returns (-1 is pushed as return address).
ZILError ZILRunAddress(ZILState* ps, ZILLong address);
// The interpreter: runs ctx from its saved pc until a `ret` pops -1.
ZILError ZILExecute(ZILState* ps, ZILContext* ctx);
// Resets the pending exception code (the runtime itself never does).
void ZILClearException(ZILState* ps);

// Exception generation: records code, calls the matching vector, returns the code left pending
// (0 when a vector cleared it).
ZILError ZILGenerateException(ZILState* ps, ZILContext* ctx, ZILError code, ZILLong faultPC);
const ZILChar* ZILGetExceptionString(ZILError code);

// ---------------------------------------------------------------------------------------------
// Versions.

ZILLong NTLRevisionToLong(const ZILChar* text);
// "%d.%d.%d.%d"; buffer of at least 16 characters.
void ZILVersionToText(ZILLong version, ZILChar* buffer, size_t size);

// ---------------------------------------------------------------------------------------------
// Memory through the state's callbacks.

void* ZILAlloc(ZILState* ps, size_t size);
void ZILFree(ZILState* ps, void* p);
void ZILLog(ZILState* ps, const ZILChar* format, ...) __attribute__((format(printf, 2, 3)));

// ---------------------------------------------------------------------------------------------
// Handles.

ZILHandle* ZILNewHandle(ZILState* ps);  // none when memory is exhausted
inline void ZILAddRef(ZILHandle* h) { ++h->refCount; }
void ZILReleaseSlow(ZILState* ps, ZILHandle* h);
// Releases one reference; destroys and recycles the handle at 0; ignores a handle already free.
inline void ZILRelease(ZILState* ps, ZILHandle* h) {
  if (h->refCount > 1)
    --h->refCount;
  else
    ZILReleaseSlow(ps, h);
}
// Frees what the handle's payload owns (weak handles only lose their flag).
void ZILDestroyHandle(ZILState* ps, ZILHandle* h);
ZILHandle* ZILNewInt(ZILState* ps, ZILLong v);
ZILHandle* ZILNewFloat(ZILState* ps, ZILFloat v);
// A value copy into *pOut (counted): null, int, float, string, array, script class, delegate,
// native type through its copy constructor.
ZILError ZILCopyValue(ZILState* ps, ZILHandle* src, ZILHandle** pOut);
// Copy used when a value is stored by value: ints and floats copied, everything else shared.
ZILHandle* ZILStoreCopy(ZILState* ps, ZILHandle* h);
// A handle with h's type and payload that does not own the object; it turns null when the
// object is destroyed. None when memory is exhausted.
ZILHandle* ZILWeakCopy(ZILState* ps, ZILHandle* h);
ZILLong ZILHandleIndex(ZILState* ps, ZILHandle* h);  // position in the pool, -1 when foreign

// Strings (the minimal core the interpreter needs; the string class builds on it).
ZILString* ZILStringCreate(ZILState* ps, const ZILChar* text, ZILLong length);
void ZILStringDestroy(ZILString* s);
ZILError ZILStringAppend(ZILString* s, const ZILChar* text, ZILLong length);
inline const ZILChar* ZILStringText(const ZILString* s) { return s && s->text ? s->text : ""; }
ZILError ZILNewString(ZILState* ps, const ZILChar* text, ZILLong length, ZILHandle** pOut);

// Arrays.
enum {
  ZIL_ARRAY_MAX_LENGTH = 1 << 26
};
ZILArray* ZILArrayCreate(ZILState* ps);
void ZILArrayDestroy(ZILArray* a);  // releases every slot
// Grows or shrinks; slots past the new length hold null. ZIL_EXC_Allocation_Fail beyond
// ZIL_ARRAY_MAX_LENGTH or when memory is exhausted.
ZILError ZILArraySetLength(ZILArray* a, ZILLong length);
// Appends h; the array takes over the caller's reference.
ZILError ZILArrayAppend(ZILArray* a, ZILHandle* h);
ZILError ZILNewArray(ZILState* ps, ZILHandle** pOut);

// Objects.
ZILError ZILNewInstance(ZILState* ps, ZILLong typeID, ZILHandle** pOut);
ZILError ZILNewDelegate(ZILState* ps, ZILLong typeID, ZILLong index, ZILHandle* object, ZILHandle** pOut);

// ---------------------------------------------------------------------------------------------
// Contexts.

ZILError ZILNewContext(ZILState* ps, ZILContext** pOut);
void ZILFreeContext(ZILState* ps, ZILContext* ctx);  // releases every handle on its stack

// ---------------------------------------------------------------------------------------------
// Segments, filled by the compiler (and by tests until it exists).

ZILError ZILAddName(ZILState* ps, const ZILChar* text, ZILLong* pOffset);
ZILError ZILAddNameBytes(ZILState* ps, const void* bytes, ZILLong size, ZILLong* pOffset);  // 4-aligned
ZILError ZILAddType(ZILState* ps, const ZILTypeInfo* info, ZILLong* pTypeID);
ZILError ZILAddFunction(ZILState* ps, const ZILFuncInfo* info, ZILLong* pIndex);
ZILError ZILAppendCode(ZILState* ps, const ZILLong* words, ZILLong count, ZILLong* pAddress);
ZILError ZILAddConstantInt(ZILState* ps, ZILLong v, ZILLong* pIndex);
ZILError ZILAddConstantFloat(ZILState* ps, ZILFloat v, ZILLong* pIndex);
ZILError ZILAddConstantString(ZILState* ps, const ZILChar* text, ZILLong* pIndex);
// Creates runtime handles for constants added since the last call; ZIL_EXC_Unsupported_Type for
// other types.
ZILError ZILMaterializeConstants(ZILState* ps);

inline ZILLong* ZILCode(ZILState* ps) { return static_cast<ZILLong*>(ps->code.base); }
inline ZILTypeInfo* ZILTypes(ZILState* ps) { return static_cast<ZILTypeInfo*>(ps->types.base); }
inline ZILFuncInfo* ZILFuncs(ZILState* ps) { return static_cast<ZILFuncInfo*>(ps->funcs.base); }
inline ZILHandle* ZILDataHandles(ZILState* ps) { return static_cast<ZILHandle*>(ps->data.base); }
inline const ZILChar* ZILNameAt(ZILState* ps, ZILLong offset) {
  return offset >= 0 && offset < ps->names.count ? static_cast<const ZILChar*>(ps->names.base) + offset : "";
}
// The type's name, "INVALID TYPE ID" for an id outside the type segment.
const ZILChar* ZILGetTypeName(ZILState* ps, ZILLong typeID);
// Function index of method m of a script class (its method table), -1 when none.
ZILLong ZILMethodFunction(ZILState* ps, ZILLong typeID, ZILLong method);

// ---------------------------------------------------------------------------------------------
// Listings.

enum {
  ZIL_LISTING_LINE = 128
};
// One instruction into a 128-character buffer; returns its length in words, 0 for an unknown
// opcode or an address beyond the code.
ZILLong ZILListInstruction(ZILState* ps, ZILLong address, ZILChar* buffer);
// The whole code segment to f (standard output when none).
ZILError ZILListCode(ZILState* ps, FILE* f);

// Call traces name each frame's function and, where the code has source lines, the file and
// line of the instruction ("   1: update() at skin.zs:12"). At most ZIL_TRACE_FRAMES call-stack
// entries are listed; a last line tells how many more there are.
enum {
  ZIL_TRACE_FRAMES = 64
};
// The current function and the call-stack entries of ctx (current context when none).
ZILError ZILListCallStack(ZILState* ps, ZILContext* ctx, FILE* f);
// The same with at most maxFrames call-stack entries.
ZILError ZILListCallTrace(ZILState* ps, ZILContext* ctx, FILE* f, ZILLong maxFrames);
// For exception vectors: "Tracing back last N calls on callstack:" and the trace of the current
// context from its faulting instruction (ps->exceptionPC), at most maxFrames entries.
ZILError ZILListExceptionTrace(ZILState* ps, FILE* f, ZILLong maxFrames);

// ---------------------------------------------------------------------------------------------
// Source lines. The compiler records where the code it lays out came from: one entry for the
// first instruction of each run of instructions from the same source line. The instruction
// encoding is untouched; the table lives beside the code segment.

struct ZILLineEntry {
  ZILLong address;  // first instruction of the run
  ZILLong file;     // offset of the file's name in the name segment
  ZILLong line;     // from 1; 0 (or a file below 0): code without a source line
};
// Appends entries; addresses must not go down, within the call or against earlier entries
// (ZIL_ERR_Illegal_Argument otherwise). An entry covers the code up to the next entry's address.
ZILError ZILAddLineEntries(ZILState* ps, const ZILLineEntry* entries, ZILLong count);
// The file name and line of the instruction at address: 0; ZIL_ERR_No_Symbol_Table when the
// runtime has no source lines at all, ZIL_ERR_Symbol_Not_Found when this address has none.
ZILError ZILGetSourceLine(ZILState* ps, ZILLong address, const ZILChar** pFile, ZILLong* pLine);

// The text of a source line for listings: writes at most size bytes (terminated) into text and
// returns 0, or an error code when it has none.
typedef ZILError (*ZILSourceTextProc)(void* user, const ZILChar* file, ZILLong line, ZILChar* text, ZILLong size);
// The code listing of ZILListCode with the program's structure beside it: a line "name:" before
// the first instruction of each function (methods as "Class::name:"), and before the first
// instruction of each source line "; file:line: text" (the text from sourceText, when given and
// it answers). Instruction lines keep their columns.
ZILError ZILListCodeWithSource(ZILState* ps, FILE* f, ZILSourceTextProc sourceText, void* user);

// The instruction table, one record per opcode.
struct ZILOpcodeInfo {
  ZILLong opcode;
  ZILLong operandCount;
  ZILLong kinds[4];
  const ZILChar* mnemonic;
  ZILLong length;  // words, opcode included
};
const ZILOpcodeInfo* ZILGetOpcodeInfo(ZILLong opcode);  // none outside 0..476
