// The now-playing title on the desktop's media-player bus: an MPRIS 2 player on the D-Bus session
// bus, so panels, lock screens and media keys see the station's title and can send play, pause,
// next and the like back to the skin. Everything runs on the calling (UI) thread: Process() serves
// the bus without blocking and hands the commands received to the callback from there. Without a
// session bus, or after it went away, every call does nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct sd_bus;
struct sd_bus_slot;

namespace Platform {

class NowPlaying {
 public:
  enum class Command {
    PlayPause,
    Play,
    Pause,
    Stop,
    Next,
    Previous,
    Raise,
    Quit
  };

  inline static const std::string kBusName = "org.mpris.MediaPlayer2.sonabel";

  NowPlaying();
  ~NowPlaying();
  NowPlaying(const NowPlaying&) = delete;
  NowPlaying& operator=(const NowPlaying&) = delete;

  // Connects to the session bus and takes kBusName, or kBusName + ".instance<pid>" when another
  // player holds it. False when there is no bus or no name could be had; the object then stays
  // idle. Waits at most a second for a bus that does not answer.
  bool Start(std::function<void(Command)> onCommand);

  // "" shows PlaybackStatus "Stopped"; any other title "Playing" with that title (made valid
  // UTF-8, see utf8.h) and a new track id. Announces the change with PropertiesChanged.
  void Publish(std::string_view title);

  // Answers what the bus sent, then delivers the commands received. Never blocks.
  void Process();

  // Leaves the bus; the name is released with the connection.
  void Stop();

  bool Running() const { return bus_ != nullptr; }
  // The name held on the bus; empty when not running.
  const std::string& BusName() const { return busName_; }

 private:
  friend class NowPlayingBus;
  struct BusCloser {
    void operator()(sd_bus* bus) const;
  };
  struct SlotCloser {
    void operator()(sd_bus_slot* slot) const;
  };

  void Announce();

  std::unique_ptr<sd_bus, BusCloser> bus_;
  std::unique_ptr<sd_bus_slot, SlotCloser> rootSlot_, playerSlot_;
  std::function<void(Command)> onCommand_;
  std::vector<Command> pending_;  // received in sd-bus callbacks, delivered after them
  std::string busName_;
  std::string title_;  // valid UTF-8; empty while stopped
  std::string trackId_;
  uint64_t tracks_ = 0;
};

}  // namespace Platform
