// Helpers for the markup tests: an object type that records every event it receives into a
// shared log, and a host set up with a few such types and a capture of the message boxes.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "zml/zmlevent.h"
#include "zml/zmlscripthost.h"
#include "ztools/base/zerror.h"

namespace ZMLTest {

using ZTools::IEventListener;
using ZTools::ZEvent;

struct EventLog {
  std::vector<std::string> lines;
  int32_t failId = -1;  // event identifier to answer with failCode
  int32_t failCode = 0;
  std::string failName;  // only for the object with this reference name (empty: any)
  int alive = 0;         // objects made and not yet deleted
};

class RecordingObject : public IEventListener {
 public:
  RecordingObject(std::string declaration, EventLog* log) : declaration_(std::move(declaration)), log_(log) {
    ++log_->alive;
  }
  ~RecordingObject() override { --log_->alive; }

  int32_t OnEvent(ZEvent* event) override {
    using namespace ZTools;
    if (event->Id() == kZMLEventGetTypeDecl) {
      static_cast<ZMLEventGetTypeDecl*>(event)->SetDeclaration(declaration_.c_str());
      return 0;
    }
    if (event->Id() == kZMLEventCreate)
      name_ = static_cast<ZMLEventCreate*>(event)->Name().CStr();
    log_->lines.push_back((name_.empty() ? std::string("?") : name_) + ": " + event->Describe().CStr());
    if (static_cast<int32_t>(event->Id()) == log_->failId && (log_->failName.empty() || log_->failName == name_))
      return log_->failCode;
    return 0;
  }

  const std::string& Name() const { return name_; }

 private:
  std::string declaration_;
  EventLog* log_;
  std::string name_;
};

inline ZTools::ZMLObjectFactory Recorder(const char* declaration, EventLog* log) {
  std::string decl(declaration);
  return [decl, log]() -> IEventListener* {
    return new RecordingObject(decl, log);
  };
}

// A host with the pane types `box` (any pane children) and `item` (none), `panel` (one or more
// items, at most one box), and the message boxes captured; `withTypes` false: no types yet.
struct Fixture {
  EventLog log;
  Platform::DialogCapture boxes;
  std::unique_ptr<ZTools::ZMLScriptHost> host = std::make_unique<ZTools::ZMLScriptHost>();
  int32_t initialized = host->Initialize();

  explicit Fixture(bool withTypes = true) {
    if (!withTypes)
      return;
    host->RegisterType(Recorder("interface_zpane::box flags? pos? text='hi'? ( interface_zpane* )", &log));
    host->RegisterType(Recorder("interface_zpane::item flags? value? ()", &log));
    host->RegisterType(Recorder("interface_zpanel::panel need border='yes'? ( item+ box? )", &log));
  }
  bool Logged(const std::string& line) const {
    return std::find(log.lines.begin(), log.lines.end(), line) != log.lines.end();
  }

  int32_t Parse(const std::string& text) { return host->ParseText(text); }

  // The last message box's text, or "".
  std::string LastBox() const { return boxes.Boxes().empty() ? "" : boxes.Boxes().back().text; }
};

// Parses each text with a fresh host: the code it returns, and one message box exactly when it fails.
struct CodeCase {
  const char* text;
  int32_t code;
};
inline void ExpectParseCodes(std::initializer_list<CodeCase> cases) {
  for (const CodeCase& c : cases) {
    Fixture f;
    EXPECT_EQ(f.Parse(c.text), c.code) << c.text;
    EXPECT_EQ(f.boxes.Boxes().size(), c.code == 0 ? 0u : 1u) << c.text;
  }
}

// The text of the parse-error box for the anonymous stream.
inline std::string ParseErrorText(int line, int column, int32_t code) {
  return "An error was detected while parsing the script:\n\nFile:\t(anonymous text stream)\nLine:\t" +
         std::to_string(line) + "\nColumn:\t" + std::to_string(column) + "\nError:\t" + ZTools::ZErrorText(code);
}

}  // namespace ZMLTest
