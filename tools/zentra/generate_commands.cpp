// The generator commands of zentra. The compiler's class list holds a native class only once a
// script imports it, so every registered one is imported (in registration order) before linking:
// documentation and exports then cover the classes a script could use, not only those it did.
#include "tools/zentra/generate_commands.h"

#include <cstdio>
#include <cstring>

#include "zilcompiler.h"

namespace ZTools {

namespace {

struct GeneratorCommand {
  const char* name;
  ZentraCommand command;
  ZILError (*generate)(ZILState* ps, const ZILChar* path);
  const char* written;
};

constexpr GeneratorCommand kGenerators[] = {
    {"export", ZentraCommand::Export, ZCLExportTypeInfo, "types.xml"},
    {"bindings", ZentraCommand::Bindings, ZCLGenerateBindings, "binding skeletons"},
    {"docs", ZentraCommand::Docs, ZCLGenerateDocs, "documentation (index.html)"},
};

}  // namespace

bool IsGeneratorCommand(ZentraCommand command) {
  for (const GeneratorCommand& g : kGenerators)
    if (g.command == command)
      return true;
  return false;
}

bool ParseGeneratorCommand(int argc, char** argv, ZentraOptions* options, std::string* error) {
  for (const GeneratorCommand& g : kGenerators) {
    if (std::strcmp(argv[0], g.name))
      continue;
    if (argc < 2 || !argv[1][0] || argv[1][0] == '-') {
      *error = std::string("zentra ") + g.name + " needs the folder to write into before the script";
      return false;
    }
    options->command = g.command;
    options->outputDir = argv[1];
    return true;
  }
  return false;
}

ZILError ImportEveryNativeClass(ZILState* ps) {
  std::string imports;
  for (ZILLong i = 0; i < ps->nativeCount; i++)
    imports += std::string("import ") + ps->nativeTypes[i].name + ";\n";
  return ZCLCompile(ps, "native classes", imports.c_str());
}

int RunGeneratorCommand(ZILState* ps, const ZentraOptions& options) {
  for (const GeneratorCommand& g : kGenerators) {
    if (g.command != options.command)
      continue;
    const ZILError err = g.generate(ps, options.outputDir.c_str());
    if (err) {
      std::fprintf(stderr, "zentra: %s into '%s' failed: %d\n", g.name, options.outputDir.c_str(), err);
      return 1;
    }
    std::fprintf(stderr, "zentra: wrote %s to %s\n", g.written, options.outputDir.c_str());
    return 0;
  }
  return 1;
}

}  // namespace ZTools
