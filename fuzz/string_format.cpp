// libFuzzer target for string.format: an input is a format text and argument values, separated
// by zero bytes. A value field starts with its kind: 'i' an int, 'f' a float (the rest read as
// numbers), 's' a string (the rest), 'a' an empty array, anything else null. Every value is
// formatted alone and all of them as one array, as string.format does with each.
// fuzz-links: zil
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ziltools.h"

namespace {

ZILHandle* NewValue(ZILState* ps, const std::string& field) {
  ZILHandle* h = nullptr;
  const std::string rest = field.empty() ? std::string() : field.substr(1);
  switch (field.empty() ? 0 : field[0]) {
    case 'i': return ZILNewInt(ps, static_cast<ZILLong>(std::strtol(rest.c_str(), nullptr, 0)));
    case 'f': return ZILNewFloat(ps, std::strtod(rest.c_str(), nullptr));
    case 's':
      if (ZILNewString(ps, rest.data(), static_cast<ZILLong>(rest.size()), &h) != 0)
        std::abort();
      return h;
    case 'a':
      if (ZILNewArray(ps, &h) != 0)
        std::abort();
      return h;
    default: ZILAddRef(ps->nullHandle); return ps->nullHandle;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> fields;
  const char* text = reinterpret_cast<const char*>(data);
  for (size_t start = 0;;) {
    const void* nul = std::memchr(text + start, 0, size - start);
    size_t end = nul ? static_cast<size_t>(static_cast<const char*>(nul) - text) : size;
    fields.emplace_back(text + start, end - start);
    if (!nul)
      break;
    start = end + 1;
  }
  if (fields.size() > 65)
    return 0;  // enough arguments for any format

  ZILState* ps = ZILInitialize();
  if (!ps)
    std::abort();
  const char* format = fields[0].c_str();
  ZILHandle* array = nullptr;
  if (ZILNewArray(ps, &array) != 0)
    std::abort();
  for (size_t i = 1; i < fields.size(); ++i) {
    ZILHandle* v = NewValue(ps, fields[i]);
    ZILChar buffer[ZIL_FORMAT_BUFFER + 1];
    buffer[ZIL_FORMAT_BUFFER] = 1;
    ZILFormatValue(ps, format, v, buffer);
    if (buffer[ZIL_FORMAT_BUFFER] != 1)
      std::abort();  // written past the 4096 bytes
    if (ZILArrayAppend(static_cast<ZILArray*>(array->payload.p), v) != 0)
      std::abort();
  }
  ZILHandle* out = nullptr;
  ZILError e = ZILFormatArray(ps, format, static_cast<ZILArray*>(array->payload.p), &out);
  if (e == 0) {
    if (!out || out->type != ZIL_TYPE_STRING)
      std::abort();
    ZILRelease(ps, out);
  } else if (e != ZIL_EXC_Allocation_Fail) {
    std::abort();
  }
  ZILRelease(ps, array);
  if (ZILTerminate(ps) != 0)
    std::abort();
  return 0;
}
