// MyPaneManager: the player's classes and prelude, the stations, the remembered parameters and
// the media keys.
#include "app/mypanemanager.h"

#include <fstream>

#include "app/audio_script_types.h"
#include "app/playlist_reader.h"
#include "app/settings_store.h"
#include "app/sonabel_type.h"
#include "ziltools.h"
#include "ztools/base/zresourcesource.h"
#include "ztools/zparameter.h"

namespace ZTools {
namespace {

// The hook through which desktop media keys reach the skin.
constexpr const char kMediaKeyPrelude[] = "function MediaKey(Application app, const string key);";

// A new script array of strings; null when memory ran out.
ZILHandle* StringArray(ZILState* ps, const std::vector<std::string>& texts) {
  ZILHandle* array = nullptr;
  if (ZILNewArray(ps, &array) != 0 || !array)
    return nullptr;
  for (const std::string& text : texts) {
    ZILHandle* s = nullptr;
    if (ZILNewString(ps, text.c_str(), ZILLong(text.size()), &s) != 0 ||
        ZILArrayAppend(static_cast<ZILArray*>(array->payload.p), s) != 0) {
      NTLFreeHandle(ps, array);
      return nullptr;
    }
  }
  return array;
}

}  // namespace

MyPaneManager::MyPaneManager(std::vector<std::filesystem::path> playlistFolders, bool remember)
    : playlistFolders_(std::move(playlistFolders)), remember_(remember) {
  AddNativeType(BassTypeProc);
  AddNativeType(SonabelTypeProc);
  AddNativeType(DspEffectEQTypeProc);
  AddPrelude(std::string(kAudioPrelude) + kStationPrelude + kMediaKeyPrelude);
  SetCollectionInterval(5000);
}

MyPaneManager::~MyPaneManager() { Teardown(); }

int32_t MyPaneManager::SkinLoaded() {
  if (int32_t rc = ZSSPaneManager::SkinLoaded())
    return rc;
  ReleaseHandles();
  runtime_ = Runtime();
  if (!runtime_)
    return 0;
  functions_.addStation = ZILGetFunction(runtime_, "AddStation");
  functions_.mediaKey = ZILGetFunction(runtime_, "MediaKey");
  if ((functions_.addStation || functions_.mediaKey) &&
      ZILAttachGCEventHandler(runtime_, &functions_, MarkHandles) != 0)
    return -1;
  AddStations();
  return 0;
}

void MyPaneManager::AddStations() {
  if (!runtime_ || !functions_.addStation || !ApplicationObject())
    return;
  for (const std::filesystem::path& folder : playlistFolders_) {
    for (const PlaylistStation& station : ReadPlaylistFolder(folder)) {
      ZILHandle* titles = StringArray(runtime_, station.titles);
      ZILHandle* urls = StringArray(runtime_, station.urls);
      if (titles && urls) {
        // A script error inside AddStation was reported by the runtime; the next file follows.
        ZILHandle* result =
            ZILCallFunction(runtime_, functions_.addStation, 4, ZIL_ARG_HANDLE, ApplicationObject(), ZIL_ARG_STRING,
                            station.name.c_str(), ZIL_ARG_HANDLE, titles, ZIL_ARG_HANDLE, urls);
        if (result)
          NTLFreeHandle(runtime_, result);
        ++stationsAdded_;
      }
      for (ZILHandle* h : {titles, urls})
        if (h)
          NTLFreeHandle(runtime_, h);
    }
  }
}

int32_t MyPaneManager::LoadPlayerSkin(const std::string& file) {
  const bool opens = std::filesystem::path(file).is_absolute() ? std::ifstream(file, std::ios::binary).good()
                                                               : ZOpenResourceFile(file) != nullptr;
  if (!opens)
    return -1;
  return LoadSkin(file);
}

int32_t MyPaneManager::Create() {
  const int32_t rc = ZSSPaneManager::Create();
  if (rc != 0 || !remember_)
    return rc;
  for (const char* name : kRememberedParameters) {
    ZString value;
    ZParameter* p = FindParameter(name);
    if (!p || ReadFromRegistry(value, SettingKey(name)) != 0)
      continue;
    p->SetStringValue(value.View());
    p->SetDirty();
    p->Announce();
  }
  return 0;
}

bool MyPaneManager::MediaKey(std::string_view key) {
  if (!runtime_ || !functions_.mediaKey || !ApplicationObject())
    return false;
  const std::string text(key);
  ZILHandle* result = ZILCallFunction(runtime_, functions_.mediaKey, 2, ZIL_ARG_HANDLE, ApplicationObject(),
                                      ZIL_ARG_STRING, text.c_str());
  if (result)
    NTLFreeHandle(runtime_, result);
  return true;
}

void MyPaneManager::ReleaseHandles() {
  if (!runtime_)
    return;
  for (ZILHandle** h : {&functions_.addStation, &functions_.mediaKey}) {
    if (*h)
      NTLFreeHandle(runtime_, *h);
    *h = nullptr;
  }
  ZILDetachGCEventHandler(runtime_, &functions_);
  runtime_ = nullptr;
}

ZILError MyPaneManager::MarkHandles(ZILState* ps, ZILLong event, void* owner) {
  if (event != ZIL_GC_EVENT_MARK)
    return 0;
  const auto* functions = static_cast<const ScriptFunctions*>(owner);
  for (ZILHandle* h : {functions->addStation, functions->mediaKey})
    if (h)
      if (ZILError e = NTLMarkHandle(ps, h))
        return e;
  return 0;
}

int32_t MyPaneManager::Teardown() {
  // Stored while the parameters exist, before the document goes (a second teardown finds none).
  if (remember_)
    for (const char* name : kRememberedParameters)
      if (ZParameter* p = FindParameter(name))
        StoreToRegistry(p->GetStringValue(), SettingKey(name));
  ReleaseHandles();
  return ZSSPaneManager::Teardown();
}

}  // namespace ZTools
