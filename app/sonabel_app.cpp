// Sonabel: start-up, the window's messages, idle work (screenshot, watched skin, quit request,
// commands from standard input) and shut-down.
#include "app/sonabel_app.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/settings_store.h"
#include "platform/clock.h"
#include "platform/dialog.h"
#include "platform/eventloop.h"
#include "ztools/base/zerror.h"
#include "ztools/zdrawcontext.h"
#include "ztools/zparameter.h"
#include "ztools/zpng.h"
#include "ztools/zview.h"

namespace ZTools {
namespace {

namespace fs = std::filesystem;

constexpr uint64_t kWatchIntervalMs = 500;

// The stored value of the "scale" setting: 1..8, or 0 when none is stored.
int32_t StoredScale() {
  ZString text;
  if (ReadFromRegistry(text, SettingKey("scale")) != 0)
    return 0;
  const int v = std::atoi(text.CStr());
  return v >= 1 && v <= 8 ? v : 0;
}

// The files of a skin folder with their change times.
std::map<std::string, fs::file_time_type> Snapshot(const std::string& folder) {
  std::map<std::string, fs::file_time_type> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_regular_file(ec))
      files[it->path().string()] = it->last_write_time(ec);
  }
  return files;
}

}  // namespace

Sonabel::Sonabel(SkinSearch where) : where_(std::move(where)) {}

Sonabel::~Sonabel() {
  paneWindow_.reset();
  manager_.reset();
  ZCloseResourceSource();
}

std::vector<std::filesystem::path> Sonabel::PlaylistFolders() const {
  std::vector<fs::path> folders;
  if (!where_.programFolder.empty()) {
    // Beside the program (a build: the example lists are copied there), else an installation's.
    const fs::path beside = fs::path(where_.programFolder) / "playlists";
    std::error_code ec;
    folders.push_back(fs::is_directory(beside, ec)
                          ? beside
                          : (fs::path(where_.programFolder) / "../share/sonabel/playlists").lexically_normal());
  }
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
    folders.push_back(fs::path(data) / "sonabel/playlists");
  else if (const char* home = std::getenv("HOME"); home && *home)
    folders.push_back(fs::path(home) / ".local/share/sonabel/playlists");
  return folders;
}

std::unique_ptr<MyPaneManager> Sonabel::BuildSkin() {
  auto m = std::make_unique<MyPaneManager>(PlaylistFolders());
  if (m->Initialize() != 0)
    return nullptr;
  if (m->LoadPlayerSkin(skinFile_) != 0) {
    if (m->Host().Diagnostics().empty())
      Platform::ShowMessageBox(kWindowTitle, "The skin's markup file " + skinFile_ + " cannot be opened.");
    return nullptr;
  }
  if (m->Create() != 0)
    return nullptr;
  return m;
}

int32_t Sonabel::Initialize(std::string_view commandLine, int32_t showCommand) {
  try {
    if (int32_t rc = ZAppObject::Initialize(commandLine, showCommand))
      throw ZError(rc);
    // The loop's command line comes back as arguments; parse them as main did.
    std::vector<std::string> args = {"sonabel"};
    for (size_t i = 0; i < Arguments().Count(); i++)
      args.emplace_back(Arguments()[i].CStr());
    std::vector<const char*> argv;
    for (const std::string& a : args)
      argv.push_back(a.c_str());
    std::string error;
    if (!ParseCommandLine(int(argv.size()), argv.data(), options_, error))
      throw ZError(kZErrIllegalParameter);

    SkinSelection skin = SelectSkin(options_.arguments, where_);
    if (!skin.source) {
      Platform::ShowMessageBox(kWindowTitle,
                               "No skin was found: neither the one asked for nor the default skin "
                               "\"Resources\" beside the program or in " +
                                   where_.dataFolder + ".");
      throw ZError(kZErrFileOpenFailed);
    }
    skinFile_ = skin.file;
    if (!skin.source->IsArchive())
      skinFolder_ = skin.source->Root().CStr();
    ZSetResourceSource(std::move(skin.source));

    manager_ = BuildSkin();
    if (!manager_)
      throw ZError(kZErrObjectCreationFailed);
    ApplySkinConstants();
    ApplyScale();

    const ZRect rect(-1, -1, window_.initial.Width(), window_.initial.Height());
    if (Create(window_.style, kWindowTitle, rect, nullptr) != 0)
      throw ZError(kZErrObjectCreationFailed);
    if (Handle()) {
      // Frames are the window system's: the limits are the client's.
      const bool unlimited = window_.maximum.right >= kMaxWindowSize && window_.maximum.bottom >= kMaxWindowSize;
      Handle()->SetSizeLimits(window_.minimum.right, window_.minimum.bottom, unlimited ? 0 : window_.maximum.right,
                              unlimited ? 0 : window_.maximum.bottom);
    }
    manager_->ResizeRootArea(window_.initial.Width(), window_.initial.Height());
    manager_->Open();
    RestoreWindowPosition();
    Show(showCommand);
    openedAt_ = Platform::NowMs();
    // Without a session bus this does nothing, and nothing later fails.
    nowPlaying_.Start([this](Platform::NowPlaying::Command c) { OnMediaCommand(c); });
    if (options_.watch && !skinFolder_.empty())
      watched_ = Snapshot(skinFolder_);
    if (options_.commands)
      StartCommands();
    return 0;
  } catch (const ZError& e) {
    std::fprintf(stderr, "sonabel: start-up failed (%d)\n", e.Code());
  }
  // Nothing may call into a pane manager that is gone: the window and its timer go first.
  if (Handle())
    Destroy();
  paneWindow_.reset();
  if (manager_)
    manager_->Teardown();
  manager_.reset();
  return kStartFailed;
}

void Sonabel::ApplySkinConstants() {
  window_ = ReadSkinWindow(*manager_);
  if (window_.versionTooNew) {
    StoreToRegistry(ZString(""), SettingKey("archive"));
    StoreToRegistry(ZString(""), SettingKey("windowrect"));
    Platform::ShowMessageBox(kInvalidVersionCaption, kInvalidVersionText, Platform::DialogKind::Warning);
  }
  ResolveSkinWindow(window_);
}

void Sonabel::ApplyScale() {
  if (options_.scale > 0)
    StoreToRegistry(ZString(std::to_string(options_.scale)), SettingKey("scale"));
  const int32_t scale = options_.scale > 0 ? options_.scale : StoredScale();
  Platform::SetForcedScale(scale);
}

void Sonabel::RestoreWindowPosition() {
  ZString text;
  if (ReadFromRegistry(text, SettingKey("windowrect")) != 0 || !Handle())
    return;
  const auto rect = ParseWindowRect(text.View());
  if (!rect)
    return;
  // Only a position that shows the window's top-left corner on some display is taken: a
  // display that was unplugged leaves the window centred.
  for (const Platform::DisplayBounds& d : Platform::Displays()) {
    if (rect->left >= d.x && rect->left < d.x + d.width && rect->top >= d.y && rect->top < d.y + d.height) {
      Handle()->SetPosition(rect->left, rect->top);
      return;
    }
  }
}

void Sonabel::SaveWindowRect() {
  if (!Handle())
    return;
  int32_t x = 0, y = 0;
  Handle()->GetPosition(x, y);
  const int32_t scale = Handle()->Scale();
  const std::string text = std::to_string(x) + "," + std::to_string(y) + "," +
                           std::to_string(x + Handle()->Width() * scale) + "," +
                           std::to_string(y + Handle()->Height() * scale);
  StoreToRegistry(ZString(text), SettingKey("windowrect"));
}

void Sonabel::OnActivate(bool active, bool minimized) {
  ZAppObject::OnActivate(active, minimized);
  if (paneWindow_)
    paneWindow_->OnActivate(active, minimized);
}

int64_t Sonabel::HandleMessage(const Platform::Message& message) {
  using Platform::MessageId;
  switch (message.id) {
    case MessageId::Create: {
      paneWindow_ = std::make_unique<ZPaneWindow>();
      paneWindow_->SetPaneManager(manager_.get());
      paneWindow_->SetTranslucent(window_.style == 5);
      if (paneWindow_->Create(4, kWindowTitle, ZRect(0, 0, window_.initial.Width(), window_.initial.Height()), this) !=
          0)
        return 1;  // fails the window's creation
      paneWindow_->Show(kShowNormal);
      return 0;
    }
    case MessageId::Size:
      if (paneWindow_ && paneWindow_->Handle())
        paneWindow_->Handle()->SetClientSize(message.x, message.y);
      return 0;
    case MessageId::Destroy:
      if (Handle() && Handle()->IsMinimized())
        Handle()->Restore();
      if (manager_)
        manager_->Close();
      SaveWindowRect();
      if (paneWindow_) {
        paneWindow_->SetPaneManager(nullptr);
        paneWindow_.reset();
      }
      return ZAppObject::HandleMessage(message);
    default: return ZAppObject::HandleMessage(message);
  }
}

void Sonabel::Idle() {
  if (!firstIdleSeen_) {
    // The loop reaches Idle only after every waiting message, the first paint included.
    firstIdleSeen_ = true;
    if (std::getenv("SONABEL_TIMING")) {
      timespec now{};
      clock_gettime(CLOCK_REALTIME, &now);
      std::fprintf(stderr, "sonabel: first frame shown at %lld ns\n",
                   static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    }
  }
  if (quitRequested_ && Handle()) {
    quitRequested_ = 0;
    Platform::PostClose(Handle());
  }
  const uint64_t now = Platform::NowMs();
  if (!options_.screenshot.empty() && !screenshotTaken_ && now - openedAt_ >= uint64_t(options_.quitAfterMs)) {
    screenshotTaken_ = true;
    TakeScreenshot();
    if (Handle())
      Platform::PostClose(Handle());
  }
  nowPlaying_.Process();
  // The pane window's timer bounds the loop's wait (Platform::WaitForEvent waits no longer than
  // the next tick), so a line is answered within one tick of its arrival.
  if (commands_ && manager_)
    for (const std::string& line : commands_->Take())
      commandOutput_->Run(*manager_, line);
  if (options_.watch && !skinFolder_.empty() && now - lastWatch_ >= kWatchIntervalMs) {
    lastWatch_ = now;
    WatchSkin();
  }
  ZAppObject::Idle();
}

void Sonabel::StartCommands() {
  // A reader that went away must not end the player by SIGPIPE: its answers are dropped.
  std::signal(SIGPIPE, SIG_IGN);
  commandOutput_ = std::make_unique<CommandOutput>(stdout);
  commands_ = std::make_unique<CommandInput>();
  if (!commands_->Start(STDIN_FILENO)) {
    std::fprintf(stderr, "sonabel: commands cannot be read: no thread for standard input\n");
    commands_.reset();
  }
}

void Sonabel::TakeScreenshot() {
  if (!manager_)
    return;
  // The skin drawn afresh at the window's size: exactly the pixels the window shows.
  ZDrawContext context;
  const ZPoint size = manager_->RootSize();
  if (size.x <= 0 || size.y <= 0 || context.Resize(size.x, size.y) != 0)
    return;
  manager_->Draw(context, manager_->RootArea());
  if (int32_t rc = ZPNGWrite(context, options_.screenshot))
    std::fprintf(stderr, "sonabel: cannot write the screenshot %s: %s (%d)\n", options_.screenshot.c_str(),
                 ZErrorText(rc), rc);
}

void Sonabel::WatchSkin() {
  auto now = Snapshot(skinFolder_);
  if (now == watched_)
    return;
  watched_ = std::move(now);
  // The new build runs beside the working one; only a skin that builds replaces it.
  std::unique_ptr<MyPaneManager> next = BuildSkin();
  if (!next) {
    std::fprintf(stderr, "sonabel: the changed skin does not build; the running one stays\n");
    return;
  }
  for (ZParameter* p : manager_->Parameters())
    if (ZParameter* q = next->FindParameter(p->GetName().View())) {
      q->SetStringValue(p->GetStringValue().View());
      q->SetDirty();
      q->Announce();
    }
  if (paneWindow_)
    paneWindow_->SetPaneManager(nullptr);
  manager_->Close();
  manager_->Teardown();
  manager_ = std::move(next);
  const ZPoint size = paneWindow_ && paneWindow_->Handle()
                          ? ZPoint(paneWindow_->Handle()->Width(), paneWindow_->Handle()->Height())
                          : ZPoint(window_.initial.Width(), window_.initial.Height());
  manager_->ResizeRootArea(size.x, size.y);
  manager_->Open();
  if (paneWindow_)
    paneWindow_->SetPaneManager(manager_.get());
}

void Sonabel::OnMediaCommand(Platform::NowPlaying::Command command) {
  using Command = Platform::NowPlaying::Command;
  switch (command) {
    case Command::Raise:
      if (Handle()) {
        Handle()->Restore();
        Handle()->Raise();
      }
      return;
    case Command::Quit:
      if (Handle())
        Platform::PostClose(Handle());
      return;
    default: break;
  }
  static const char* const kKeys[] = {"PlayPause", "Play", "Pause", "Stop", "Next", "Previous"};
  const size_t index = size_t(command);
  if (manager_ && index < std::size(kKeys))
    manager_->MediaKey(kKeys[index]);
}

int32_t Sonabel::Terminate() {
  commands_.reset();
  nowPlaying_.Stop();
  int32_t rc = 0;
  if (manager_)
    rc = manager_->Teardown();
  manager_.reset();
  return rc == 0 ? 0 : kStartFailed;
}

}  // namespace ZTools

namespace ZTools {

ZAppObject* CreateApplication() {
  namespace fs = std::filesystem;
  SkinSearch where;
  std::error_code ec;
  where.startFolder = fs::current_path(ec).string();
  const ZString program = ZAppObject::ProgramFile();
  if (!program.IsEmpty())
    where.programFolder = fs::path(program.CStr()).parent_path().string();
#ifdef SONABEL_DATA_DIR
  where.dataFolder = SONABEL_DATA_DIR;
#endif
  return new Sonabel(std::move(where));
}

}  // namespace ZTools
