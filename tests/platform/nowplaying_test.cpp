// The now-playing player on a private session bus: a dbus-daemon started by the test, a second
// connection that reads the player's properties, listens for its change signals and sends it
// commands, and both ends pumped in a loop with a time limit. Also the UTF-8 repair of titles.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/nowplaying.h"
#include "platform/utf8.h"

namespace {

using Platform::NowPlaying;

TEST(ValidUtf8, KeepsWellFormedTextAndConvertsOtherBytesFromWindows1252) {
  struct Case {
    const char* in;
    const char* out;
    const char* what;
  };
  const Case cases[] = {
      {"", "", "empty"},
      {"A \xE2\x80\x93 B \xC3\xA9 \xF0\x9F\x8E\xB5", "A \xE2\x80\x93 B \xC3\xA9 \xF0\x9F\x8E\xB5",
       "valid 2-, 3-, 4-byte forms"},
      {"Caf\xE9", "Caf\xC3\xA9", "Latin-1 letter"},
      {"\x80\x96\x9F", "\xE2\x82\xAC\xE2\x80\x93\xC5\xB8", "Windows-1252 0x80..0x9F"},
      {"\x81\x9D", "\xC2\x81\xC2\x9D", "bytes Windows-1252 leaves undefined"},
      {"x\xE2\x82", "x\xC3\xA2\xE2\x80\x9A", "sequence cut off at the end"},
      {"\xC0\xAF", "\xC3\x80\xC2\xAF", "overlong form"},
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC", "surrogate"},
      {"\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC", "above U+10FFFF"},
      {"\xC3\xA9\xE9", "\xC3\xA9\xC3\xA9", "valid then stray byte"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Platform::ValidUtf8(c.in), c.out) << c.what;
}

struct State {
  std::string status, title;
};

// Reads PlaybackStatus and Metadata's xesam:title out of an a{sv} of properties.
State ParseProperties(sd_bus_message* m) {
  State s{"<none>", "<none>"};
  sd_bus_message_enter_container(m, 'a', "{sv}");
  while (sd_bus_message_enter_container(m, 'e', "sv") > 0) {
    const char* name = nullptr;
    sd_bus_message_read(m, "s", &name);
    const std::string key = name;
    if (key == "PlaybackStatus") {
      const char* v = nullptr;
      sd_bus_message_read(m, "v", "s", &v);
      s.status = v;
    } else if (key == "Metadata") {
      sd_bus_message_enter_container(m, 'v', "a{sv}");
      sd_bus_message_enter_container(m, 'a', "{sv}");
      while (sd_bus_message_enter_container(m, 'e', "sv") > 0) {
        const char* entry = nullptr;
        sd_bus_message_read(m, "s", &entry);
        const char* v = nullptr;
        if (std::string(entry) == "xesam:title" && sd_bus_message_read(m, "v", "s", &v) > 0)
          s.title = v;
        else
          sd_bus_message_skip(m, "v");
        sd_bus_message_exit_container(m);
      }
      sd_bus_message_exit_container(m);
      sd_bus_message_exit_container(m);
    } else {
      sd_bus_message_skip(m, "v");
    }
    sd_bus_message_exit_container(m);
  }
  return s;
}

// A session bus of our own: dbus-daemon printing its address on a pipe.
class PrivateBus {
 public:
  PrivateBus() {
    int fds[2];
    if (pipe(fds) != 0)
      return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], STDOUT_FILENO);
      const int null = open("/dev/null", O_WRONLY);  // its complaints about fd limits
      dup2(null, STDERR_FILENO);
      close(fds[0]);
      close(fds[1]);
      execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--print-address", (char*)nullptr);
      _exit(127);
    }
    close(fds[1]);
    FILE* out = fdopen(fds[0], "r");
    char line[512] = {};
    if (out && fgets(line, sizeof line, out))
      address_ = line;
    if (out)
      fclose(out);
    while (!address_.empty() && (address_.back() == '\n' || address_.back() == '\r'))
      address_.pop_back();
  }
  ~PrivateBus() { Kill(); }
  void Kill() {
    if (pid_ <= 0)
      return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  const std::string& Address() const { return address_; }

 private:
  pid_t pid_ = -1;
  std::string address_;
};

class NowPlayingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(bus_.Address().empty()) << "dbus-daemon did not start";
    setenv("DBUS_SESSION_BUS_ADDRESS", bus_.Address().c_str(), 1);
    ASSERT_GE(sd_bus_new(&client_), 0);
    sd_bus_set_address(client_, bus_.Address().c_str());
    sd_bus_set_bus_client(client_, 1);
    ASSERT_GE(sd_bus_start(client_), 0);
  }
  void TearDown() override {
    sd_bus_flush_close_unref(client_);
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
  }

  // Serves both ends until done() or two seconds have passed.
  bool Pump(NowPlaying& player, const std::function<bool()>& done) {
    const uint64_t end = Platform::NowMs() + 2000;
    while (!done()) {
      if (Platform::NowMs() > end)
        return false;
      player.Process();
      while (sd_bus_process(client_, nullptr) > 0) {
      }
      sd_bus_wait(client_, 5000);
    }
    return true;
  }

  static int KeepReply(sd_bus_message* m, void* userdata, sd_bus_error*) {
    *static_cast<sd_bus_message**>(userdata) = sd_bus_message_ref(m);
    return 0;
  }

  // Calls method `member` of `iface` on the player with string arguments, pumping until the reply.
  sd_bus_message* Call(NowPlaying& player, const char* iface, const char* member,
                       const std::vector<std::string>& args = {}) {
    sd_bus_message* call = nullptr;
    sd_bus_message_new_method_call(client_, &call, player.BusName().c_str(), "/org/mpris/MediaPlayer2", iface, member);
    for (const std::string& a : args)
      sd_bus_message_append(call, "s", a.c_str());
    sd_bus_message* reply = nullptr;
    sd_bus_call_async(client_, nullptr, call, KeepReply, &reply, 0);
    sd_bus_message_unref(call);
    Pump(player, [&] { return reply != nullptr; });
    return reply;
  }

  // PlaybackStatus and the title in Metadata ("<none>" when it has none).
  State Read(NowPlaying& player) {
    State s;
    sd_bus_message* m = Call(player, "org.freedesktop.DBus.Properties", "GetAll", {"org.mpris.MediaPlayer2.Player"});
    if (!m || sd_bus_message_is_method_error(m, nullptr))
      return {"<error>", ""};
    s = ParseProperties(m);
    sd_bus_message_unref(m);
    return s;
  }
  bool NameHasOwner(const std::string& name) {
    sd_bus_message* reply = nullptr;
    int owned = 0;
    if (sd_bus_call_method(client_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                           "NameHasOwner", nullptr, &reply, "s", name.c_str()) >= 0)
      sd_bus_message_read(reply, "b", &owned);
    sd_bus_message_unref(reply);
    return owned;
  }

  PrivateBus bus_;
  sd_bus* client_ = nullptr;
};

// Keeps "status|title" of every PropertiesChanged of the player interface.
int RecordChange(sd_bus_message* m, void* userdata, sd_bus_error*) {
  const char* iface = nullptr;
  if (sd_bus_message_read(m, "s", &iface) > 0 && std::string(iface) == "org.mpris.MediaPlayer2.Player") {
    const State s = ParseProperties(m);
    static_cast<std::vector<std::string>*>(userdata)->push_back(s.status + "|" + s.title);
  }
  return 0;
}

TEST_F(NowPlayingTest, PublishesTitleAndStatusAndAnnouncesEachChange) {
  NowPlaying player;
  ASSERT_TRUE(player.Start([](NowPlaying::Command) {}));
  EXPECT_EQ(player.BusName(), NowPlaying::kBusName);
  EXPECT_TRUE(NameHasOwner(NowPlaying::kBusName));

  std::vector<std::string> changes;
  sd_bus_slot* match = nullptr;
  ASSERT_GE(sd_bus_match_signal(client_, &match, nullptr, "/org/mpris/MediaPlayer2", "org.freedesktop.DBus.Properties",
                                "PropertiesChanged", RecordChange, &changes),
            0);

  const State initial = Read(player);
  EXPECT_EQ(initial.status, "Stopped");
  EXPECT_EQ(initial.title, "<none>");

  player.Publish("A \xE2\x80\x93 B");
  const State playing = Read(player);
  EXPECT_EQ(playing.status, "Playing");
  EXPECT_EQ(playing.title, "A \xE2\x80\x93 B");

  player.Publish("Caf\xE9 \x80");  // not UTF-8: read as Windows-1252
  EXPECT_EQ(Read(player).title, "Caf\xC3\xA9 \xE2\x82\xAC");

  player.Publish("Caf\xC3\xA9 \xE2\x82\xAC");  // the same title again: nothing changes
  player.Publish("");
  const State stopped = Read(player);
  EXPECT_EQ(stopped.status, "Stopped");
  EXPECT_EQ(stopped.title, "<none>");

  const std::vector<std::string> expected = {"Playing|A \xE2\x80\x93 B", "Playing|Caf\xC3\xA9 \xE2\x82\xAC",
                                             "Stopped|<none>"};
  EXPECT_TRUE(Pump(player, [&] { return changes.size() >= expected.size(); }));
  EXPECT_EQ(changes, expected);
  sd_bus_slot_unref(match);
}

TEST_F(NowPlayingTest, MethodCallsReachTheCallbackAfterTheReply) {
  std::vector<NowPlaying::Command> received;
  NowPlaying player;
  ASSERT_TRUE(player.Start([&](NowPlaying::Command c) { received.push_back(c); }));

  struct Case {
    const char* iface;
    const char* member;
  };
  const Case calls[] = {{"org.mpris.MediaPlayer2.Player", "PlayPause"},
                        {"org.mpris.MediaPlayer2.Player", "Next"},
                        {"org.mpris.MediaPlayer2", "Raise"},
                        {"org.mpris.MediaPlayer2.Player", "OpenUri"}};
  for (const Case& c : calls) {
    std::vector<std::string> args;
    if (std::string(c.member) == "OpenUri")
      args.push_back("http://example.invalid/");
    sd_bus_message* reply = Call(player, c.iface, c.member, args);
    ASSERT_NE(reply, nullptr) << c.member;
    EXPECT_FALSE(sd_bus_message_is_method_error(reply, nullptr)) << c.member;
    sd_bus_message_unref(reply);
  }
  player.Process();
  using C = NowPlaying::Command;
  EXPECT_EQ(received, (std::vector<C>{C::PlayPause, C::Next, C::Raise})) << "OpenUri is accepted and ignored";
}

TEST_F(NowPlayingTest, SecondPlayerTakesInstanceNameAndBusLossIsQuiet) {
  NowPlaying first, second;
  ASSERT_TRUE(first.Start(nullptr));
  ASSERT_TRUE(second.Start(nullptr));
  const std::string instance = NowPlaying::kBusName + ".instance" + std::to_string(getpid());
  EXPECT_EQ(second.BusName(), instance);
  EXPECT_TRUE(NameHasOwner(instance));

  bus_.Kill();
  const uint64_t start = Platform::NowMs();
  for (int i = 0; i < 10; ++i) {
    first.Publish("after " + std::to_string(i));
    first.Process();
    second.Process();
  }
  EXPECT_FALSE(first.Running()) << "a lost bus is left";
  EXPECT_LT(Platform::NowMs() - start, 500u);
}

TEST(NowPlayingWithoutBus, StartGivesUpWithinASecondAndEverythingElseDoesNothing) {
  // A socket that accepts connections and never answers: a hung bus.
  const std::string silentPath = "/tmp/sonabel-silent-bus-" + std::to_string(getpid());
  unlink(silentPath.c_str());
  const int silent = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  snprintf(addr.sun_path, sizeof addr.sun_path, "%s", silentPath.c_str());
  ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(listen(silent, 4), 0);

  struct Case {
    std::string address;
    uint64_t limitMs;
    const char* what;
  };
  const Case cases[] = {{"unix:path=/nonexistent/sonabel-test-bus", 200, "missing socket"},
                        {"unix:path=" + silentPath, 1500, "bus that never answers"}};
  for (const Case& c : cases) {
    setenv("DBUS_SESSION_BUS_ADDRESS", c.address.c_str(), 1);
    NowPlaying player;
    const uint64_t start = Platform::NowMs();
    EXPECT_FALSE(player.Start([](NowPlaying::Command) {})) << c.what;
    EXPECT_LT(Platform::NowMs() - start, c.limitMs) << c.what;
    EXPECT_TRUE(player.BusName().empty()) << c.what;
    player.Publish("title");
    player.Process();
    EXPECT_FALSE(player.Running()) << c.what;
  }
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
  close(silent);
  unlink(silentPath.c_str());
}

}  // namespace
