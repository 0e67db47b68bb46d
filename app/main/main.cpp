// The player's process entry: --help and --version answer at once; otherwise the message loop
// runs the application until its window closes. SIGTERM and SIGINT close the window the normal
// way, so the settings are saved.
#include <csignal>
#include <cstdio>

#include "app/command_line.h"
#include "app/sonabel_app.h"
#include "app/sonabel_type.h"
#include "ztools/zapprun.h"

namespace {

void OnTerminate(int) { ZTools::Sonabel::RequestQuit(); }

}  // namespace

int main(int argc, char** argv) {
  ZTools::PlayerOptions options;
  std::string error;
  if (!ZTools::ParseCommandLine(argc, argv, options, error)) {
    std::fprintf(stderr, "sonabel: %s\n%s", error.c_str(), ZTools::PlayerUsage());
    return 2;
  }
  if (options.help) {
    std::fputs(ZTools::PlayerUsage(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("Sonabel %s\n", ZTools::kSonabelVersion);
    return 0;
  }
  struct sigaction action = {};
  action.sa_handler = OnTerminate;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  const int32_t code = ZTools::ZRunApplication(&ZTools::CreateApplication, argc, argv);
  if (code == 0)
    return 0;
  // Exit statuses keep 8 bits: the code itself goes to standard error.
  std::fprintf(stderr, "sonabel: exit code %d (0x%08x)\n", code, uint32_t(code));
  return 1;
}
