// MyPaneManager: the player's pane manager. Every skin runtime gets the player's classes (Bass,
// Sonabel, DspEffectEQ) and prelude; when the skin's script defines AddStation, the stations of
// the playlists folders are handed to it before its Create hook runs; the parameters "volume",
// "station" and "entry" are restored after Create and stored when the skin is torn down; desktop
// media commands reach the script's MediaKey hook.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

#include "bindings/zsspanemanager.h"

namespace ZTools {

class MyPaneManager : public ZSSPaneManager {
 public:
  // The folders whose station lists the skin receives, in this order. Without `remember` the
  // parameters are neither restored nor stored (tools that only look at a skin).
  explicit MyPaneManager(std::vector<std::filesystem::path> playlistFolders, bool remember = true);
  ~MyPaneManager() override;

  int32_t Create() override;
  int32_t Teardown() override;

  // Loads the skin's main markup file after checking that it can be opened (through the resource
  // layer for a relative name, from disk for an absolute one): -1 when it cannot.
  int32_t LoadPlayerSkin(const std::string& file);

  // Calls the script's MediaKey(app, key) with "PlayPause", "Play", "Pause", "Stop", "Next" or
  // "Previous"; false when the skin has no such hook.
  bool MediaKey(std::string_view key);
  // How many stations were handed to AddStation.
  size_t StationsAdded() const noexcept { return stationsAdded_; }

 protected:
  int32_t SkinLoaded() override;

 private:
  void AddStations();
  void ReleaseHandles();
  static ZILError MarkHandles(ZILState* ps, ZILLong event, void* owner);

  // The script functions this manager calls, marked for the collector while they are held.
  struct ScriptFunctions {
    ZILHandle* addStation = nullptr;
    ZILHandle* mediaKey = nullptr;
  };

  std::vector<std::filesystem::path> playlistFolders_;
  ZILState* runtime_ = nullptr;
  ScriptFunctions functions_;
  size_t stationsAdded_ = 0;
  bool remember_ = true;
};

// The parameters whose values the player keeps from one run to the next.
inline constexpr const char* kRememberedParameters[] = {"volume", "station", "entry"};

}  // namespace ZTools
