// The MPRIS 2 player object behind NowPlaying: the two interfaces' tables, their property getters
// and method handlers, and the connection's life (see nowplaying.h). Handlers only reply and queue
// the command; the callback runs from Process() once sd-bus has returned, so it may publish, stop
// or restart without re-entering the library.
#include "platform/nowplaying.h"

#include <systemd/sd-bus.h>
#include <unistd.h>

#include "platform/clock.h"
#include "platform/utf8.h"

namespace Platform {
namespace {

constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
constexpr const char* kNoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
// A session bus answers within microseconds; one that does not within this time is treated as
// absent rather than stalling the player's start. sd-bus's own waits (90 s for authentication,
// 25 s for a call) are far too long for that, so Start() waits by itself.
constexpr uint64_t kStartTimeoutMs = 1000;
// Bounds one idle tick's work when a client floods the connection.
constexpr int kMessagesPerProcess = 64;

template <bool Value>
int GetBool(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  return sd_bus_message_append(reply, "b", int(Value));
}

int GetOne(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  return sd_bus_message_append(reply, "d", 1.0);
}

int GetPosition(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  return sd_bus_message_append(reply, "x", int64_t(0));
}

int GetIdentity(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  return sd_bus_message_append(reply, "s", "Sonabel");
}

int GetDesktopEntry(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  return sd_bus_message_append(reply, "s", "sonabel");
}

// The player opens no address given by others (OpenUri is ignored), so it claims no schemes or
// types for it.
int GetEmptyList(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  return sd_bus_message_append(reply, "as", 0);
}

int Ignore(sd_bus_message* call, void*, sd_bus_error*) { return sd_bus_reply_method_return(call, ""); }

enum class NameReply {
  Owner,
  Taken,
  Failed
};
// DBUS_NAME_FLAG_DO_NOT_QUEUE: a name another player holds is refused rather than waited for.
constexpr uint32_t kDoNotQueue = 4;

// Asks the bus for `name` and serves the connection (still authenticating on the first call)
// until the answer arrives or deadlineMs passes.
NameReply RequestName(sd_bus* bus, const std::string& name, uint64_t deadlineMs) {
  struct Answer {
    bool done = false;
    NameReply reply = NameReply::Failed;
  } answer;
  auto onReply = [](sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* a = static_cast<Answer*>(userdata);
    uint32_t code = 0;  // DBUS_REQUEST_NAME_REPLY_*: 1 primary owner, 3 exists, 4 already owner
    if (!sd_bus_message_is_method_error(m, nullptr) && sd_bus_message_read(m, "u", &code) > 0)
      a->reply = code == 1 || code == 4 ? NameReply::Owner : code == 3 ? NameReply::Taken : NameReply::Failed;
    a->done = true;
    return 0;
  };
  sd_bus_slot* slot = nullptr;
  if (sd_bus_call_method_async(bus, &slot, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                               "RequestName", onReply, &answer, "su", name.c_str(), kDoNotQueue) < 0)
    return NameReply::Failed;
  while (!answer.done) {
    const int r = sd_bus_process(bus, nullptr);
    if (r < 0)
      break;
    if (r > 0)
      continue;
    const uint64_t now = NowMs();
    if (now >= deadlineMs || sd_bus_wait(bus, (deadlineMs - now) * 1000) < 0)
      break;
  }
  sd_bus_slot_unref(slot);  // drops the call when it is still unanswered
  return answer.done ? answer.reply : NameReply::Failed;
}

}  // namespace

// The sd-bus side of NowPlaying: callbacks that read and queue into the object.
class NowPlayingBus {
 public:
  template <NowPlaying::Command C>
  static int OnCommand(sd_bus_message* call, void* userdata, sd_bus_error*) {
    static_cast<NowPlaying*>(userdata)->pending_.push_back(C);
    return sd_bus_reply_method_return(call, "");
  }

  static int GetStatus(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata,
                       sd_bus_error*) {
    const auto* self = static_cast<NowPlaying*>(userdata);
    return sd_bus_message_append(reply, "s", self->title_.empty() ? "Stopped" : "Playing");
  }

  static int GetMetadata(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata,
                         sd_bus_error*) {
    const auto* self = static_cast<NowPlaying*>(userdata);
    if (self->title_.empty())
      return sd_bus_message_append(reply, "a{sv}", 1, "mpris:trackid", "o", kNoTrack);
    return sd_bus_message_append(reply, "a{sv}", 2, "mpris:trackid", "o", self->trackId_.c_str(), "xesam:title", "s",
                                 self->title_.c_str());
  }

  static const sd_bus_vtable kRoot[];
  static const sd_bus_vtable kPlayer[];
};

using C = NowPlaying::Command;
constexpr uint64_t kConst = SD_BUS_VTABLE_PROPERTY_CONST;
constexpr uint64_t kChanges = SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE;

const sd_bus_vtable NowPlayingBus::kRoot[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Identity", "s", GetIdentity, 0, kConst),
    SD_BUS_PROPERTY("DesktopEntry", "s", GetDesktopEntry, 0, kConst),
    SD_BUS_PROPERTY("CanQuit", "b", GetBool<true>, 0, kConst),
    SD_BUS_PROPERTY("CanRaise", "b", GetBool<true>, 0, kConst),
    SD_BUS_PROPERTY("HasTrackList", "b", GetBool<false>, 0, kConst),
    SD_BUS_PROPERTY("SupportedUriSchemes", "as", GetEmptyList, 0, kConst),
    SD_BUS_PROPERTY("SupportedMimeTypes", "as", GetEmptyList, 0, kConst),
    SD_BUS_METHOD("Raise", "", "", OnCommand<C::Raise>, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Quit", "", "", OnCommand<C::Quit>, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END};

const sd_bus_vtable NowPlayingBus::kPlayer[] = {
    SD_BUS_VTABLE_START(0), SD_BUS_PROPERTY("PlaybackStatus", "s", GetStatus, 0, kChanges),
    SD_BUS_PROPERTY("Metadata", "a{sv}", GetMetadata, 0, kChanges),
    SD_BUS_PROPERTY("CanPlay", "b", GetBool<true>, 0, kConst),
    SD_BUS_PROPERTY("CanPause", "b", GetBool<true>, 0, kConst),
    SD_BUS_PROPERTY("CanGoNext", "b", GetBool<true>, 0, kConst),
    SD_BUS_PROPERTY("CanGoPrevious", "b", GetBool<true>, 0, kConst),
    SD_BUS_PROPERTY("CanControl", "b", GetBool<true>, 0, kConst),
    SD_BUS_PROPERTY("CanSeek", "b", GetBool<false>, 0, kConst), SD_BUS_PROPERTY("Rate", "d", GetOne, 0, kConst),
    SD_BUS_PROPERTY("MinimumRate", "d", GetOne, 0, kConst), SD_BUS_PROPERTY("MaximumRate", "d", GetOne, 0, kConst),
    SD_BUS_PROPERTY("Volume", "d", GetOne, 0, kConst),
    // A stream has no position; the value is read on demand and never announced.
    SD_BUS_PROPERTY("Position", "x", GetPosition, 0, 0),
    SD_BUS_METHOD("PlayPause", "", "", OnCommand<C::PlayPause>, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Play", "", "", OnCommand<C::Play>, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Pause", "", "", OnCommand<C::Pause>, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Stop", "", "", OnCommand<C::Stop>, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Next", "", "", OnCommand<C::Next>, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Previous", "", "", OnCommand<C::Previous>, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Seek", "x", "", Ignore, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("SetPosition", "ox", "", Ignore, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("OpenUri", "s", "", Ignore, SD_BUS_VTABLE_UNPRIVILEGED), SD_BUS_SIGNAL("Seeked", "x", 0),
    SD_BUS_VTABLE_END};

// Closing without flushing: a stuck bus must not hold up the player's exit.
void NowPlaying::BusCloser::operator()(sd_bus* bus) const { sd_bus_close_unref(bus); }
void NowPlaying::SlotCloser::operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }

NowPlaying::NowPlaying() = default;
NowPlaying::~NowPlaying() { Stop(); }

bool NowPlaying::Start(std::function<void(Command)> onCommand) {
  Stop();
  sd_bus* raw = nullptr;
  if (sd_bus_open_user(&raw) < 0)
    return false;
  bus_.reset(raw);

  sd_bus_slot* root = nullptr;
  sd_bus_slot* player = nullptr;
  const bool served =
      sd_bus_add_object_vtable(raw, &root, kObjectPath, kRootInterface, NowPlayingBus::kRoot, this) >= 0 &&
      sd_bus_add_object_vtable(raw, &player, kObjectPath, kPlayerInterface, NowPlayingBus::kPlayer, this) >= 0;
  rootSlot_.reset(root);
  playerSlot_.reset(player);
  if (!served) {
    Stop();
    return false;
  }
  const uint64_t deadline = NowMs() + kStartTimeoutMs;
  for (std::string name : {kBusName, kBusName + ".instance" + std::to_string(getpid())}) {
    const NameReply r = RequestName(raw, name, deadline);
    if (r == NameReply::Owner) {
      busName_ = std::move(name);
      onCommand_ = std::move(onCommand);
      return true;
    }
    if (r != NameReply::Taken)
      break;  // no answer or no connection: no bus
  }
  Stop();
  return false;
}

void NowPlaying::Stop() {
  rootSlot_.reset();
  playerSlot_.reset();
  bus_.reset();
  busName_.clear();
  pending_.clear();
}

void NowPlaying::Publish(std::string_view title) {
  std::string text = ValidUtf8(title);
  if (text == title_)
    return;
  title_ = std::move(text);
  if (!title_.empty())
    trackId_ = "/org/sonabel/Track/" + std::to_string(++tracks_);
  Announce();
}

void NowPlaying::Announce() {
  if (!bus_)
    return;
  // A failed send means the connection is gone; Process() notices and leaves the bus.
  sd_bus_emit_properties_changed(bus_.get(), kObjectPath, kPlayerInterface, "PlaybackStatus", "Metadata", nullptr);
}

void NowPlaying::Process() {
  for (int i = 0; bus_ && i < kMessagesPerProcess; ++i) {
    const int r = sd_bus_process(bus_.get(), nullptr);
    if (r < 0 || sd_bus_is_open(bus_.get()) <= 0)
      Stop();
    if (r <= 0)
      break;
  }
  if (pending_.empty() || !onCommand_)
    return;
  // The callback may stop, restart or destroy the bus connection: deliver from a copy.
  std::vector<Command> commands;
  commands.swap(pending_);
  auto onCommand = onCommand_;
  for (Command c : commands)
    onCommand(c);
}

}  // namespace Platform
