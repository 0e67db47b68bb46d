// Sonabel: the application. It chooses the skin, builds it in a script-enabled pane manager,
// sizes and places the window from the skin's constants and the stored position, shows the skin
// in a pane window and shuts down in order: Close hooks, window position saved, Destroy hooks,
// pane manager, skin package. For skin authors and tests it can write a screenshot and quit,
// rebuild a skin folder when its files change, and run text commands from standard input.
#pragma once

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "app/command_input.h"
#include "app/command_line.h"
#include "app/skin_constants.h"
#include "app/skin_selection.h"
#include "platform/nowplaying.h"
#include "app/mypanemanager.h"
#include "ztools/zappobject.h"
#include "ztools/zpanewindow.h"

namespace ZTools {

inline constexpr const char* kWindowTitle = "Sonabel";
// Any failure of start-up or shut-down, as the player reports it.
inline constexpr int32_t kStartFailed = int32_t(0x80004005);

class Sonabel : public ZAppObject {
 public:
  explicit Sonabel(SkinSearch where);
  ~Sonabel() override;

  int32_t Initialize(std::string_view commandLine, int32_t showCommand) override;
  int32_t Terminate() override;
  void Idle() override;
  void OnActivate(bool active, bool minimized) override;
  int64_t HandleMessage(const Platform::Message& message) override;

  MyPaneManager* PaneManager() const noexcept { return manager_.get(); }
  ZPaneWindow* PaneWindow() const noexcept { return paneWindow_.get(); }
  const SkinWindow& Window() const noexcept { return window_; }

  // What is playing, for the desktop's media-player bus ("" when nothing plays).
  void PublishNowPlaying(std::string_view title) { nowPlaying_.Publish(title); }
  const Platform::NowPlaying& NowPlaying() const noexcept { return nowPlaying_; }

  // Set from a signal handler: the next idle turn closes the window the normal way.
  static void RequestQuit() noexcept { quitRequested_ = 1; }

 private:
  // Builds a pane manager for the current skin source; null after the errors were shown.
  std::unique_ptr<MyPaneManager> BuildSkin();
  // The playlists beside the program, then the user's.
  std::vector<std::filesystem::path> PlaylistFolders() const;
  void ApplySkinConstants();
  void ApplyScale();
  void RestoreWindowPosition();
  void SaveWindowRect();
  void TakeScreenshot();
  void WatchSkin();
  void StartCommands();
  void OnMediaCommand(Platform::NowPlaying::Command command);

  SkinSearch where_;
  PlayerOptions options_;
  std::unique_ptr<ZPaneWindow> paneWindow_;
  std::unique_ptr<MyPaneManager> manager_;
  SkinWindow window_;
  std::string skinFile_ = "main.zml";
  std::string skinFolder_;  // the skin's folder in folder mode (for --watch)
  uint64_t openedAt_ = 0;
  uint64_t lastWatch_ = 0;
  std::map<std::string, std::filesystem::file_time_type> watched_;
  bool screenshotTaken_ = false;
  bool firstIdleSeen_ = false;
  Platform::NowPlaying nowPlaying_;
  // --commands: the reader, and the listener pane that answers (it may sit in the pane manager's
  // view map through a script: command, so it lives until the object ends, after the manager).
  std::unique_ptr<CommandInput> commands_;
  std::unique_ptr<CommandOutput> commandOutput_;
  static inline volatile std::sig_atomic_t quitRequested_ = 0;
};

// The application factory of the process's message loop.
ZAppObject* CreateApplication();

}  // namespace ZTools
