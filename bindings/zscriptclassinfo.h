// What the framework's script classes tell the runtime about themselves (class name, packages,
// build stamp, description, declaration), answered the same way by every class.
#pragma once

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
