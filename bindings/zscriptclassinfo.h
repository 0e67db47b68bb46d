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
  if (!object) return;
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
    case NTL_MarkHandles:
      return 0;
    case NTL_CallMember:
      return call(ps, param, static_cast<const T*>(in));
    case NTL_DestroyObject:
      DeleteInRuntime(ps, static_cast<T*>(in));
      return 0;
    default:
      return AnswerScriptClassInfo(info, msg, out);
  }
}

// A new script object of `type` owning a record made from args; null when the class is missing
// or memory ran out.
template <class T, class... Args>
ZILHandle* NewRecordObject(ZILState* ps, ZILLong type, Args&&... args) {
  if (type < ZIL_FIRST_USER_TYPE) return nullptr;
  T* record = NewInRuntime<T>(ps, static_cast<Args&&>(args)...);
  if (!record) return nullptr;
  ZILHandle* h = NTLNewHandleForObject(ps, type, record);
  if (!h || h->payload.p != record) {
    if (h) NTLFreeHandle(ps, h);
    DeleteInRuntime(ps, record);
    return nullptr;
  }
  return h;
}

}  // namespace ZTools
