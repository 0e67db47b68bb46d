// The pane manager's text commands (list, get, set, script:, help) and the snippet runner that
// compiles a line of script as a function (Application self, View sender) and calls it.
#include <cctype>
#include <string>

#include "bindings/zscriptclasses.h"
#include "bindings/zsspanemanager.h"
#include "zilcompiler.h"
#include "ziltools.h"
#include "ztools/zparameter.h"
#include "ztools/zpaneevent.h"
#include "ztools/zview.h"

namespace ZTools {
namespace {

constexpr const char* kHelp = "* available commands:\nlist\nget <param>\nset <param> <value>\nscript: <expr>\n";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view SkipBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  return s;
}

// A parameter name: a text in double quotes, or a run of letters, digits, '_' and '-'. The rest
// of the line is left in `rest`.
std::string TakeName(std::string_view line, std::string_view& rest) {
  line = SkipBlanks(line);
  std::string name;
  if (!line.empty() && line.front() == '"') {
    const size_t end = line.find('"', 1);
    name = std::string(line.substr(1, end == std::string_view::npos ? std::string_view::npos : end - 1));
    rest = end == std::string_view::npos ? std::string_view() : line.substr(end + 1);
  } else {
    size_t n = 0;
    while (n < line.size() && (std::isalnum(static_cast<unsigned char>(line[n])) || line[n] == '_' || line[n] == '-'))
      n++;
    name = std::string(line.substr(0, n));
    rest = line.substr(n);
  }
  for (char& c : name)
    c = char(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

// The value of `set`: the rest of the line, without the blanks around it and the quotes, if any.
std::string_view TakeValue(std::string_view rest) {
  rest = SkipBlanks(rest);
  while (!rest.empty() && (IsBlank(rest.back()) || rest.back() == '\r' || rest.back() == '\n'))
    rest.remove_suffix(1);
  if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"')
    rest = rest.substr(1, rest.size() - 2);
  return rest;
}

std::string Describe(ZParameter* p) {
  const ZString value = p->GetStringValue();
  return std::string(p->GetType()) + " " + p->GetName().c_str() + " (\"" + p->GetDisplayName().c_str() + "\") [" +
         std::to_string(p->GetUserIndex(false)) + "] = " + value.c_str() + "\n";
}

// Collects what the compiler writes to the runtime's message output during one compile, and
// passes it on to the output that was installed.
struct CompileCapture {
  ZILState* ps;
  void* user;
  ZILLogProc log;
  std::string text;

  explicit CompileCapture(ZILState* state) : ps(state), user(state->user), log(state->log) {
    ps->user = this;
    ps->log = [](ZILState* s, const ZILChar* line) {
      static_cast<CompileCapture*>(s->user)->text += line;
    };
  }
  ~CompileCapture() {
    ps->user = user;
    ps->log = log;
    if (log && !text.empty())
      log(ps, text.c_str());
  }
};

}  // namespace

void ZSSPaneManager::Send(ZView* listener, std::string_view line) {
  if (!listener)
    return;
  auto event = MakeEvent<ZPaneEvent>(kPaneSetText, listener);
  event->SetText(line);
  listener->OnEvent(event.get());
}

int32_t ZSSPaneManager::Command(std::string_view line, ZView* listener) {
  line = SkipBlanks(line);
  size_t n = 0;
  while (n < line.size() && !IsBlank(line[n]) && line[n] != ':')
    n++;
  std::string word(line.substr(0, n));
  for (char& c : word)
    c = char(std::tolower(static_cast<unsigned char>(c)));
  std::string_view rest = line.substr(n);
  if (word == "script" && !rest.empty() && rest.front() == ':')
    return RunScript(rest.substr(1), listener, listener);
  if (word == "help") {
    Send(listener, kHelp);
    return 1;
  }
  if (word == "list") {
    const std::vector<ZParameter*>& all = Parameters();
    for (size_t i = 0; i < all.size() && i < kMaxListedParameters; i++)
      Send(listener, Describe(all[i]));
    return 1;
  }
  if (word == "get" || word == "set") {
    std::string_view after;
    const std::string name = TakeName(rest, after);
    ZParameter* p = name.empty() ? nullptr : FindParameter(name);
    if (p && word == "get")
      Send(listener, Describe(p));
    if (p && word == "set")
      SetParameterText(p, TakeValue(after));
    return 1;
  }
  return 0;
}

int32_t ZSSPaneManager::RunScript(std::string_view text, ZView* sender, ZView* listener) {
  ZILState* ps = Runtime();
  if (!ps || SkipBlanks(text).empty() || !application_)
    return 0;
  const std::string code = std::string(text) + ";\n";
  ZILLong index = 0;
  ZILError e = 0;
  std::string messages;
  {
    CompileCapture capture(ps);
    e = ZCLCompileHandler(ps, code.c_str(), &index);
    messages = capture.text;
  }
  if (e != 0 || index <= 0) {
    if (messages.empty())
      messages = "The script did not compile (error " + std::to_string(e) + ").\n";
    Send(listener, messages);
    return 0;
  }
  if (ZILPrepareRun(ps) != 0)
    return 0;
  ZILHandle* fn = nullptr;
  if (ZILNewDelegate(ps, ZIL_TYPE_DELEGATE, index, nullptr, &fn) != 0 || !fn)
    return 0;
  ZILHandle* view = NewViewObject(ps, this, Views().Enter(sender));
  ZILHandle* result = ZILCallFunction(ps, fn, 2, ZIL_ARG_HANDLE, application_, ZIL_ARG_HANDLE, view);
  for (ZILHandle* h : {result, view, fn})
    if (h)
      NTLFreeHandle(ps, h);
  return 1;
}

}  // namespace ZTools
