// ZAppObject: command-line splitting, the program's path, the single instance and the main
// window's life (its destruction posts the quit that ends the loop).
#include "ztools/zappobject.h"

#include <unistd.h>

#include <algorithm>
#include <string>

#include "platform/eventloop.h"

namespace ZTools {

ZAppObject::ZAppObject() { instance_ = this; }

ZAppObject::~ZAppObject() {
  if (instance_ == this)
    instance_ = nullptr;
}

ZStringList ZAppObject::SplitCommandLine(std::string_view line) {
  ZStringList out;
  size_t i = 0;
  const auto blank = [](char c) {
    return c == ' ' || c == '\t';
  };
  while (i < line.size()) {
    while (i < line.size() && blank(line[i]))
      ++i;
    if (i >= line.size())
      break;
    if (line[i] == '"' || line[i] == '\'') {
      const char quote = line[i++];
      const size_t end = line.find(quote, i);
      const size_t stop = end == std::string_view::npos ? line.size() : end;
      out.Add(ZString(line.substr(i, stop - i)));
      i = end == std::string_view::npos ? line.size() : end + 1;
    } else {
      const size_t start = i;
      while (i < line.size() && !blank(line[i]))
        ++i;
      out.Add(ZString(line.substr(start, i - start)));
    }
  }
  return out;
}

ZString ZAppObject::ProgramFile() {
  // The link's length is not known in advance: grow the buffer until the name fits.
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0)
      return ZString();
    if (size_t(n) < buffer.size())
      return ZString(std::string_view(buffer.data(), size_t(n)));
    if (buffer.size() >= (1u << 20))
      return ZString();
    buffer.resize(buffer.size() * 2);
  }
}

int32_t ZAppObject::Initialize(std::string_view commandLine, int32_t) {
  arguments_ = SplitCommandLine(commandLine);
  applicationPath_ = ZPath(ProgramFile().View());
  return 0;
}

void ZAppObject::Idle() { Platform::WaitForEvent(); }

void ZAppObject::AddListener(IEventListener* object) {
  if (!object || std::find(listeners_.begin(), listeners_.end(), object) != listeners_.end())
    return;
  listeners_.push_back(object);
}

void ZAppObject::OnActivate(bool active, bool minimized) { active_ = active && !minimized ? 1 : 0; }

int64_t ZAppObject::HandleMessage(const Platform::Message& message) {
  switch (message.id) {
    case Platform::MessageId::Destroy:
      Platform::PostQuit(0);
      if (MainWindow() == Handle())
        SetMainWindow(nullptr);
      return 0;
    case Platform::MessageId::Activate: OnActivate(message.active, message.minimized); return 0;
    case Platform::MessageId::Close: Destroy(); return 0;
    default: return -1;
  }
}

void ZAppObject::AttachHandle(Platform::Window* window) {
  const bool had = Handle() != nullptr;
  ZWindowObject::AttachHandle(window);
  if (!had && Handle() == window)
    SetMainWindow(window);
}

}  // namespace ZTools
