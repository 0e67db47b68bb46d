// docs/library.md is written from the script classes themselves: every native class that a bare
// runtime, `zentra` (with and without --with audio) and a skin of the player register, with the
// declaration text each hands the compiler, and the interfaces and constants of the preludes those
// hosts compile. The test writes the page again and fails when it differs from the checked-in
// one; SONABEL_UPDATE_DOCS=1 makes it write the file instead.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>

#include "app/audio_script_classes.h"
#include "app/audio_script_types.h"
#include "app/mypanemanager.h"
#include "bindings/zscriptlibrary.h"
#include "bindings/zscriptprelude.h"
#include "zilcompiler.h"
#include "tests/tools/docs_pages.h"
#include "tools/zentra/console_class.h"
#include "zildebugger.h"
#include "ziltools.h"

namespace {

namespace fs = std::filesystem;
using DocsTest::kSourceDir;

constexpr const char* kUpdateCommand = "SONABEL_UPDATE_DOCS=1 build/tools_tests --gtest_filter='DocsLibraryTest.*'";

// ----------------------------------------------------------------------------------------------
// Declaration texts.

// One declaration per line, each ended by ';': white space runs become one blank (none inside
// parentheses or before them), a comma is followed by one blank, quoted text is kept as it is.
std::vector<std::string> DeclarationLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  bool quoted = false, blank = false, afterComma = false;
  for (size_t i = 0; i < text.size(); i++) {
    const char c = text[i];
    if (quoted) {
      line += c;
      if (c == '\\' && i + 1 < text.size())
        line += text[++i];
      else if (c == '"')
        quoted = false;
      continue;
    }
    if (static_cast<unsigned char>(c) <= 32) {
      blank = !line.empty();
      continue;
    }
    if (c == ';') {
      if (!line.empty())
        lines.push_back(line + ";");
      line.clear();
      blank = afterComma = false;
      continue;
    }
    if ((blank || afterComma) && c != '(' && c != ')' && c != ',' && !line.empty() && line.back() != '(')
      line += ' ';
    blank = false;
    afterComma = c == ',';
    if (c == '"')
      quoted = true;
    line += c;
  }
  return lines;
}

struct ClassPage {
  std::string name;
  std::string kind = "class";  // "interface", or "native interface" for one only C++ classes implement
  std::string description;
  std::string base;
  std::string packages;
  std::vector<std::string> declarations;
};

const char* AskText(NTLTypeProc proc, ZILLong msg, ZILUnknown* in = nullptr) {
  ZILUnknown* out = nullptr;
  if (proc(nullptr, msg, 0, in, &out) != 0 || !out)
    return "";
  return static_cast<const char*>(out);
}

// What the compiler reads when a script imports the class, as the compiler asks for it.
ClassPage DescribeNativeClass(ZILState* ps, NTLTypeProc proc) {
  ClassPage page;
  page.name = AskText(proc, NTL_GetClassName);
  page.description = AskText(proc, NTL_GetAuthorString);
  page.base = AskText(proc, NTL_GetBaseName);
  page.packages = AskText(proc, NTL_GetPackageString);
  NTLDeclBuffer decl;
  NTLDeclInit(&decl, ps);
  const char* body = AskText(proc, NTL_GetDeclString, &decl);
  page.declarations = DeclarationLines(*body ? body : NTLDeclText(&decl));
  NTLDeclRelease(&decl);
  return page;
}

// The interfaces a prelude declares ("[native] interface Name { ... }").
std::vector<ClassPage> PreludeInterfaces(const std::string& text) {
  std::vector<ClassPage> pages;
  const std::string word = "interface ";
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    if (at > 0 && text[at - 1] != ' ' && text[at - 1] != ';' && text[at - 1] != '}')
      continue;
    const size_t open = text.find('{', at), close = text.find('}', at);
    if (open == std::string::npos || close == std::string::npos || close < open)
      continue;
    ClassPage page;
    page.kind = at >= 7 && text.compare(at - 7, 7, "native ") == 0 ? "native interface" : "interface";
    page.name = DeclarationLines(text.substr(at + word.size(), open - at - word.size()) + ";")[0];
    page.name.pop_back();  // the ';' added above
    page.declarations = DeclarationLines(text.substr(open + 1, close - open - 1));
    pages.push_back(page);
  }
  return pages;
}

// ----------------------------------------------------------------------------------------------
// Hosts. Each builds a runtime the way the real host does and names the native classes in it.

struct Runtime {
  ZILState* ps = ZILInitialize();
  ~Runtime() { ZILTerminate(ps); }
  std::vector<std::pair<std::string, NTLTypeProc>> Classes() const {
    std::vector<std::pair<std::string, NTLTypeProc>> classes;
    for (ZILLong i = 0; i < ps->nativeCount; i++)
      classes.emplace_back(ps->nativeTypes[i].name, ps->nativeTypes[i].proc);
    return classes;
  }
};

void Quiet(ZILState*, const ZILChar*) {}

// `zentra`: Console, the debugger, the compiler, on request the audio classes, then the script library.
std::vector<std::pair<std::string, NTLTypeProc>> ZentraClasses(bool withAudio) {
  Runtime r;
  r.ps->log = Quiet;
  EXPECT_EQ(ZILRegisterNativeType(r.ps, ZTools::ConsoleTypeProc), 0);
  EXPECT_EQ(ZILRegisterNativeType(r.ps, ZILDebuggerTypeProc), 0);
  EXPECT_EQ(ZILInitializeCompiler(r.ps), 0);
  if (withAudio) {
    EXPECT_EQ(ZTools::RegisterAudioScriptClasses(r.ps), 0);
  }
  EXPECT_EQ(ZTools::RegisterScriptLibrary(r.ps), 0);
  return r.Classes();
}

// A skin's runtime in the player: what the player's pane manager hands its script tag.
std::vector<std::pair<std::string, NTLTypeProc>> SkinClasses() {
  Runtime r;
  ZTools::MyPaneManager manager({}, false);
  for (NTLTypeProc proc : manager.NativeTypes())
    EXPECT_EQ(ZILRegisterNativeType(r.ps, proc), 0);
  return r.Classes();
}

// ----------------------------------------------------------------------------------------------
// The page.

struct Group {
  const char* title;
  const char* text;
  std::vector<ClassPage> classes;
};

constexpr const char* kIntro = R"(# Script classes

<!-- Written by tests/tools/docs_library_test.cpp from the declarations the classes hand the
     compiler; change those (or the generator), not this page. To write it again after a change:
     SONABEL_UPDATE_DOCS=1 build/tools_tests --gtest_filter='DocsLibraryTest.*' -->

Every class a ZentraScript program can use, with the declarations the compiler reads for it. The
language itself is described in [language.md](language.md); what the methods do in detail is in
the README ("Container classes for scripts", "Value and utility classes for scripts", "Script
controls, layers and script scalers", "Player audio classes and equalizer").

How to read the declarations:

- `method T name(...)` is called on an object, `obj.name(...)`; a method named like its class is
  a constructor, called through `new Class(...)`. A method without a type returns nothing.
- `function T name(...)` is static: `Class::name(...)`, or `name(...)` after `using Class;`.
- `accessor T name()` is read like a member variable, `obj.name`; `accessor name(T v)` is assigned
  like one, `obj.name = v`.
- `T convertor()` converts an object to `T` where a `T` is expected; an `explicit` one only in a
  cast, `(T) obj`.
- `delegate T name(...)` is a function type, written `Class::name` outside the class.
- `const T kName = value;` is a constant of the class: `Class::kName`.
- `const` before a parameter means the function does not change the value; `var` takes any type;
  `T[]` is an array of `T`.

A program uses a class after `import Name;`, except `string`, `array`, `list`, `iterator` and
`table`, which every program has, and `Console`, which `zentra` imports for its scripts. Every
runtime also declares the interface `exception` (`method exception()`, `method exception(int
error)`, `method int getError()`), which classes that are thrown implement, and the aliases
`bool` and `char` of `int`.
)";

// The anchor a Markdown renderer gives the heading "### `Name`".
std::string Anchor(const std::string& name) {
  std::string anchor;
  for (char c : name)
    anchor += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return anchor;
}

std::string ClassSection(const ClassPage& c) {
  std::string s = "### `" + c.name + "`\n\n";
  if (!c.description.empty())
    s += c.description + "\n\n";
  if (c.kind == "interface")
    s += "An interface for script classes: `class Name : " + c.name + " { ... }` implements it.\n\n";
  else if (c.kind == "native interface")
    s += "An interface of native classes: a variable of this type holds any of them; script classes cannot "
         "implement it (1269).\n\n";
  if (!c.base.empty())
    s += "Implements `" + c.base + "`.\n\n";
  if (!c.packages.empty())
    s += "`import " + c.name + ";` also imports " + c.packages + ".\n\n";
  s += "```zentra\n";
  for (const std::string& line : c.declarations)
    s += line + "\n";
  return s + "```\n\n";
}

std::string LibraryPage() {
  Runtime bare;
  const auto builtin = bare.Classes();
  const auto zentra = ZentraClasses(false), zentraAudio = ZentraClasses(true), skin = SkinClasses();
  auto has = [](const std::vector<std::pair<std::string, NTLTypeProc>>& list, const std::string& name) {
    for (const auto& entry : list)
      if (entry.first == name)
        return true;
    return false;
  };

  std::vector<Group> groups = {
      {"Built into the runtime", "Registered by every runtime, whatever the host.", {}},
      {"Only in `zentra`", "The command-line program's own class.", {}},
      {"The standard library", "In `zentra` and in every skin.", {}},
      {"Audio classes", "In a skin of the player, and in `zentra --with audio`.", {}},
      {"Skin classes", "Only in a skin's scripts, where the player's window and panes exist.", {}},
      {"Other classes", "Registered by one host only.", {}},
  };
  std::set<std::string> listed;
  auto add = [&](const std::vector<std::pair<std::string, NTLTypeProc>>& from) {
    for (const auto& [name, proc] : from) {
      if (!listed.insert(name).second)
        continue;
      const bool inZentra = has(zentra, name), inAudio = has(zentraAudio, name), inSkin = has(skin, name);
      size_t g = has(builtin, name)                ? 0
                 : inZentra && !inSkin             ? 1
                 : inZentra && inSkin              ? 2
                 : !inZentra && inAudio && inSkin  ? 3
                 : !inZentra && !inAudio && inSkin ? 4
                                                   : 5;
      groups[g].classes.push_back(DescribeNativeClass(bare.ps, proc));
    }
  };
  add(builtin);
  add(zentraAudio);
  add(skin);

  // The interfaces the hosts declare in script text before a program's own.
  auto addInterfaces = [&](size_t g, const std::string& prelude) {
    for (ClassPage& page : PreludeInterfaces(prelude))
      if (listed.insert(page.name).second)
        groups[g].classes.push_back(page);
  };
  addInterfaces(2, ZTools::ScriptNoiseGeneratorPrelude());
  addInterfaces(3, ZTools::kAudioPrelude);
  addInterfaces(4, ZTools::ScriptDeclarationsPrelude(true, true, true));
  addInterfaces(4, ZTools::ScriptLayerPrelude());

  std::string page = kIntro;
  page += "\n## Contents\n\n";
  for (const Group& g : groups) {
    if (g.classes.empty())
      continue;
    page += "- " + std::string(g.title) + ":";
    for (size_t i = 0; i < g.classes.size(); i++)
      page += std::string(i ? "," : "") + " [`" + g.classes[i].name + "`](#" + Anchor(g.classes[i].name) + ")";
    page += "\n";
  }
  page += "- [Constants of skins](#constants-of-skins)\n\n";
  for (const Group& g : groups) {
    if (g.classes.empty())
      continue;
    page += "## " + std::string(g.title) + "\n\n" + g.text + "\n\n";
    for (const ClassPage& c : g.classes)
      page += ClassSection(c);
  }
  page +=
      "## Constants of skins\n\nEvery skin's scripts have these global constants (pane flags, alignment, mouse buttons "
      "and keys, frame styles, text alignment, fonts and blend modes).\n\n```zentra\n";
  for (const std::string& line : DeclarationLines(ZTools::ScriptConstantsPrelude()))
    page += line + "\n";
  page += "```\n";
  return page;
}

TEST(DocsLibraryTest, LibraryPageListsEveryScriptClassAsDeclared) {
  const std::string page = LibraryPage();
  const fs::path path = kSourceDir / "docs/library.md";
  if (std::getenv("SONABEL_UPDATE_DOCS"))
    std::ofstream(path, std::ios::binary) << page;
  const std::string current = DocsTest::ReadText(path);
  if (current == page)
    return;
  std::istringstream want(page), have(current);
  std::string wantLine, haveLine;
  int line = 1;
  while (std::getline(want, wantLine) && std::getline(have, haveLine) && wantLine == haveLine)
    line++;
  ADD_FAILURE() << "docs/library.md differs from the classes' declarations from line " << line
                << ":\n  page:     " << haveLine << "\n  declared: " << wantLine << "\nWrite it again with "
                << kUpdateCommand;
}

}  // namespace
