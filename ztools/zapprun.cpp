// The process's message loop: class registration, the application's life around the loop, idle
// calls while the queue is empty, and error codes from every step.
#include "ztools/zapprun.h"

#include <cstdio>
#include <exception>
#include <memory>

#include "platform/eventloop.h"
#include "ztools/base/zerror.h"
#include "ztools/zappobject.h"

namespace ZTools {
namespace {

int g_registrations = 0;

void Unregister() {
  if (g_registrations > 0 && --g_registrations == 0 && !ZWindowObject::UnregisterClass())
    throw ZError(-1);
}

}  // namespace

std::string JoinCommandLine(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc && argv && argv[i]; ++i) {
    const std::string_view arg = argv[i];
    if (!line.empty())
      line.push_back(' ');
    const bool plain = !arg.empty() && arg.find_first_of(" \t\"'") == std::string_view::npos;
    if (plain) {
      line.append(arg);
      continue;
    }
    const char quote = arg.find('"') == std::string_view::npos ? '"' : '\'';
    line.push_back(quote);
    line.append(arg);
    line.push_back(quote);
  }
  return line;
}

int32_t ZRunApplication(ZAppFactory create, int argc, char** argv) {
  std::unique_ptr<ZAppObject> app;
  bool registered = false;
  try {
    if (g_registrations == 0 && !ZWindowObject::RegisterClass())
      throw ZError(-1);
    ++g_registrations;
    registered = true;
    app.reset(create ? create() : nullptr);
    if (!app)
      throw ZError(kZErrNullPointer);
    if (int32_t rc = app->Initialize(JoinCommandLine(argc, argv), kShowNormal))
      throw ZError(rc);
    for (;;) {
      const Platform::LoopResult r = Platform::DispatchNext();
      if (r == Platform::LoopResult::Quit)
        break;
      if (r == Platform::LoopResult::Dispatched)
        continue;
      // Also while the window is minimised: the application's idle work (the desktop's media
      // calls, a quit asked for by a signal) must not wait for the window to come back.
      app->Idle();
    }
    const int32_t code = Platform::QuitCode();
    if (int32_t rc = app->Terminate())
      throw ZError(rc);
    registered = false;
    Unregister();
    app.reset();
    return code;
  } catch (const ZError& e) {
    std::fprintf(stderr, "application: error %d (%s)\n", e.Code(), e.Text());
    app.reset();
    if (registered && g_registrations > 0 && --g_registrations == 0)
      ZWindowObject::UnregisterClass();
    return e.Code();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "application: %s\n", e.what());
    app.reset();
    if (registered && g_registrations > 0 && --g_registrations == 0)
      ZWindowObject::UnregisterClass();
    return -1;
  }
}

}  // namespace ZTools
