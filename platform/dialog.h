// Modal message boxes: the one way the program shows an error or a notice to the user.
// With a display the box is an SDL message box; without one (no DISPLAY/WAYLAND_DISPLAY, a
// headless SDL video driver) or when SONABEL_NO_DIALOGS=1 the caption and text go to standard
// error and the call returns as if OK had been pressed. A sink installed with SetDialogSink
// receives every box instead, so tests can read the exact captions and texts.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct SDL_Window;

namespace Platform {

enum class DialogKind {
  Error,
  Warning,
  Information
};

// Shows a modal box with an OK button and returns when it is dismissed. `parent` may be null.
void ShowMessageBox(std::string_view caption, std::string_view text, DialogKind kind = DialogKind::Error,
                    SDL_Window* parent = nullptr);

// True when boxes go to standard error rather than to the screen.
bool DialogsAreHeadless();

using DialogSink = std::function<void(std::string_view caption, std::string_view text, DialogKind kind)>;

// Installs a sink that receives every box in place of the screen or standard error, and returns
// the sink it replaces. An empty sink restores the normal behaviour.
DialogSink SetDialogSink(DialogSink sink);

// Records every box shown while it lives, and restores the previous sink when it goes.
class DialogCapture {
 public:
  struct Shown {
    std::string caption;
    std::string text;
    DialogKind kind;
  };

  DialogCapture();
  ~DialogCapture();
  DialogCapture(const DialogCapture&) = delete;
  DialogCapture& operator=(const DialogCapture&) = delete;

  const std::vector<Shown>& Boxes() const { return boxes_; }
  void Clear() { boxes_.clear(); }

 private:
  std::vector<Shown> boxes_;
  DialogSink previous_;
};

}  // namespace Platform
