// The script class Sonabel: five static functions. Skin settings live under "skins/" + name, so
// a skin cannot reach the player's own settings through StoreSetting.
#include "app/sonabel_type.h"

#include "app/settings_store.h"
#include "app/sonabel_app.h"
#include "platform/browse.h"
#include "ziltools.h"

namespace ZTools {
namespace {

constexpr const char kDeclaration[] =
    "function string GetVersion();\n"
    "function SetNowPlaying(const string str);\n"
    "function StoreSetting(const string name, const string value);\n"
    "function string RecallSetting(const string name);\n"
    "function BrowseUrl(const string url);\n";

ZILError CallStatic(ZILState* ps, ZILLong index) {
  switch (index) {
    case 0: return NTLReturnString(ps, kSonabelVersion);
    case 1:  // the desktop's media-player bus, when the player runs
      if (auto* app = dynamic_cast<Sonabel*>(ZAppObject::Instance()))
        app->PublishNowPlaying(NTLGetArgString(ps, 0));
      return 0;
    case 2:
      StoreToRegistry(ZString(NTLGetArgString(ps, 1)), SettingKey(std::string("skins/") + NTLGetArgString(ps, 0)));
      return 0;
    case 3: {
      ZString value;
      ReadFromRegistry(value, SettingKey(std::string("skins/") + NTLGetArgString(ps, 0)));
      return NTLReturnString(ps, value.CStr());
    }
    case 4: Platform::OpenUrl(NTLGetArgString(ps, 0)); return 0;
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

ZILError Text(const char* text, ZILUnknown** out) {
  if (!out)
    return ZIL_ERR_Illegal_Argument;
  *out = const_cast<char*>(text);
  return 0;
}

}  // namespace

ZILError SonabelTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown*, ZILUnknown** out) {
  switch (msg) {
    case NTL_Register:
    case NTL_Initialize:
    case NTL_Terminate:
    case NTL_Unregister: return 0;
    case NTL_CallStatic: return CallStatic(NTLInstanceGetVM(inst), param);
    case NTL_GetClassName: return Text("Sonabel", out);
    case NTL_GetBuildTimeStamp: return Text("11.11.2011", out);
    case NTL_GetAuthorString: return Text("Additional script functionality for Sonabel", out);
    case NTL_GetAuthorName: return Text("Sonabel", out);
    case NTL_GetDeclString: return Text(kDeclaration, out);
    case NTL_GetPackageString: return Text("", out);
    case NTL_GetAuthorVersion: return 1;
    case NTL_GetInterfaceVersion: return 0x01000302;
    default: return ZIL_ERR_Unsupported_Native_Call;
  }
}

}  // namespace ZTools
