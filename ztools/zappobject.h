// ZAppObject: the application's window object. It holds the command line as a list of
// arguments, the program's path, the single-instance pointer, and the hooks the process's message
// loop calls (ZRunApplication in zapprun.h): Initialize before the loop, Idle when the queue is
// empty, Terminate after it. Its window is the main window: destroying it ends the loop.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "ztools/base/zevent.h"
#include "ztools/base/zpath.h"
#include "ztools/base/zstringlist.h"
#include "ztools/zwindowobject.h"

namespace ZTools {

class ZAppObject : public ZWindowObject {
 public:
  // Registers the object as the single application.
  ZAppObject();
  ~ZAppObject() override;

  // Splits the command line into arguments (blanks and tabs separate; a single or double quote
  // starts an argument that runs to the matching quote, quotes excluded) and records the
  // program's path. 0 on success.
  virtual int32_t Initialize(std::string_view commandLine, int32_t showCommand);
  virtual int32_t Terminate() { return 0; }
  // Called by the loop when no message waits and the window is not minimized; the default
  // blocks until a message arrives, so the loop never spins.
  virtual void Idle();
  // Null and objects already listed are ignored.
  virtual void AddListener(IEventListener* object);

  // Records whether the window is active and not minimized.
  void OnActivate(bool active, bool minimized) override;
  // Destroy: posts the quit (code 0) and forgets the main window; Activate: OnActivate; Close:
  // Destroy. All others -1.
  int64_t HandleMessage(const Platform::Message& message) override;
  // Also records the main window.
  void AttachHandle(Platform::Window* window) override;

  bool IsActive() const noexcept { return active_ != 0; }
  const ZStringList& Arguments() const noexcept { return arguments_; }
  const std::vector<IEventListener*>& Listeners() const noexcept { return listeners_; }

  static ZAppObject* Instance() noexcept { return instance_; }
  // The program file's full path (set by Initialize).
  static const ZPath& ApplicationPath() noexcept { return applicationPath_; }

  // The splitting Initialize does.
  static ZStringList SplitCommandLine(std::string_view commandLine);
  // The program file from /proc/self/exe; empty when it cannot be read.
  static ZString ProgramFile();

 private:
  uint8_t active_ = 1;
  ZStringList arguments_;
  std::vector<IEventListener*> listeners_;
  static inline ZAppObject* instance_ = nullptr;
  static inline ZPath applicationPath_;
};

}  // namespace ZTools
