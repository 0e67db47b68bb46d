// The player's settings on the platform's settings file.
#include "app/settings_store.h"

#include "platform/settings.h"

namespace ZTools {

int32_t StoreToRegistry(const ZString& value, std::string_view keyPath) {
  return Platform::StoreSetting(keyPath, value.View());
}

int32_t ReadFromRegistry(ZString& value, std::string_view keyPath) {
  std::string text;
  if (int rc = Platform::ReadSetting(keyPath, text))
    return rc;
  value = ZString(text);
  return 0;
}

}  // namespace ZTools
