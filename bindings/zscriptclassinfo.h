// What the framework's script classes tell the runtime about themselves (class name, packages,
// build stamp, description, declaration), answered the same way by every class.
#pragma once

#include <new>

#include "zilapi.h"
#include "ziltools.h"

namespace ZTools {

// The native type interface these classes were written against: 1.0.3.2, one byte each.
inline constexpr ZILLong kScriptClassInterfaceVersion = 0x01000302;

struct ZScriptClassInfo {
  const char* name;
  const char* packages;
  const char* buildTimeStamp;
  const char* authorString;
  const char* declaration;
};

// Answers the information messages; any other message is the unsupported-native-call error.
ZILError AnswerScriptClassInfo(const ZScriptClassInfo& info, ZILLong msg, ZILUnknown** out);

// Placement of native records in runtime memory.
template <class T, class... Args>
T* NewInRuntime(ZILState* ps, Args&&... args) {
  void* memory = ZILAlloc(ps, sizeof(T));
  return memory ? new (memory) T{static_cast<Args&&>(args)...} : nullptr;
}
template <class T>
void DeleteInRuntime(ZILState* ps, T* object) {
  if (!object)
    return;
  object->~T();
  ZILFree(ps, object);
}

// The type procedure of a class whose objects each own a record T (no script handles in it):
// member calls go to `call`, a collected object's record is freed.
template <class T>
ZILError AnswerRecordClass(const ZScriptClassInfo& info, ZILError (*call)(ZILState*, ZILLong, const T*),
                           NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  ZILState* ps = NTLInstanceGetVM(inst);
  switch (msg) {
    case NTL_Register:
    case NTL_Initialize:
    case NTL_Terminate:
    case NTL_Unregister:
    case NTL_MarkHandles: return 0;
    case NTL_CallMember: return call(ps, param, static_cast<const T*>(in));
    case NTL_DestroyObject: DeleteInRuntime(ps, static_cast<T*>(in)); return 0;
    default: return AnswerScriptClassInfo(info, msg, out);
  }
}

// What a class whose records hold script handles does with them: marks them for the collector
// and gives them back when its object goes; and the interface it names as its base, if any.
template <class T>
struct ZObjectClassHooks {
  ZILError (*mark)(ZILState*, T*) = nullptr;
  void (*release)(ZILState*, T*) = nullptr;
  const char* baseName = nullptr;
};

// The type procedure of a class whose objects are records T, made empty by `new` (a constructor
// fills them) and freed with their object. The runtime keeps each record as a Stored* (a base
// the rest of the program reads it as); member calls go to call(ps, index, T*).
template <class T, class Stored = T, class Call>
ZILError AnswerObjectClass(const ZScriptClassInfo& info, Call&& call, NTLInstance* inst, ZILLong msg, ZILLong param,
                           ZILUnknown* in, ZILUnknown** out, const ZObjectClassHooks<T>& hooks = {}) {
  ZILState* ps = inst ? NTLInstanceGetVM(inst) : nullptr;
  // `in` is an object's record only for the object messages (NTL_Register passes the state).
  auto recordIn = [in] {
    return in ? static_cast<T*>(static_cast<Stored*>(in)) : nullptr;
  };
  switch (msg) {
    case NTL_Register:
    case NTL_Initialize:
    case NTL_Terminate:
    case NTL_Unregister: return 0;
    case NTL_NewObject: {
      if (!ps || !out)
        return ZIL_ERR_Illegal_Argument;
      T* created = NewInRuntime<T>(ps);
      *out = static_cast<Stored*>(created);
      return created ? 0 : ZIL_EXC_Allocation_Fail;
    }
    case NTL_MarkHandles: return ps && in && hooks.mark ? hooks.mark(ps, recordIn()) : 0;
    case NTL_DestroyObject:
      if (ps && in) {
        T* record = recordIn();
        if (hooks.release)
          hooks.release(ps, record);
        DeleteInRuntime(ps, record);
      }
      return 0;
    case NTL_CallMember: return ps ? call(ps, param, recordIn()) : ZIL_ERR_Illegal_Argument;
    case NTL_CallStatic: return ZIL_ERR_Invalid_Function_Index;
    case NTL_GetBaseName:
      if (!hooks.baseName)
        return AnswerScriptClassInfo(info, msg, out);
      if (!out)
        return ZIL_ERR_Illegal_Argument;
      *out = const_cast<char*>(hooks.baseName);
      return 0;
    default: return AnswerScriptClassInfo(info, msg, out);
  }
}

// A new script object of `type` owning a record made from args; null when the class is missing
// or memory ran out.
template <class T, class... Args>
ZILHandle* NewRecordObject(ZILState* ps, ZILLong type, Args&&... args) {
  if (type < ZIL_FIRST_USER_TYPE)
    return nullptr;
  T* record = NewInRuntime<T>(ps, static_cast<Args&&>(args)...);
  if (!record)
    return nullptr;
  ZILHandle* h = NTLNewHandleForObject(ps, type, record);
  if (!h || h->payload.p != record) {
    if (h)
      NTLFreeHandle(ps, h);
    DeleteInRuntime(ps, record);
    return nullptr;
  }
  return h;
}

}  // namespace ZTools
