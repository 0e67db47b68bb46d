// ZControl: a pane bound to parameters. The `parameter` property names them (a comma-separated
// list of reference names, between the control's minimum and maximum count); the control
// attaches itself to each as a listener and from then on receives ParameterChanged for every
// change it did not make itself. Changes a control makes go through SetString, SetFloat and
// SetNormalized, which announce the change at once to every other listener; a change to the
// value the parameter already has announces nothing. Controls show their parameters' state from
// the moment they open. Hover sets the hovered flag and arms the tool tip (`tip`).
//
// A parameter that goes away before the control (whatever the document order) is forgotten
// through the markup host's dependencies, so no control points at a destroyed parameter.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "ztools/zparameter.h"
#include "ztools/zview.h"

namespace ZTools {

class ZMLScriptHost;

class ZControl : public ZView {
 public:
  ~ZControl() override;

  int32_t OnEvent(ZEvent* event) override;
  int32_t Open() override;
  int32_t OnMouseEnter() override;
  int32_t OnMouseLeave() override;
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override;

  // How many parameters the control takes.
  virtual size_t MinParameters() const { return 0; }
  virtual size_t MaxParameters() const { return 1; }
  // Called for each change of a bound parameter made by someone else, and at Open.
  virtual void ParameterChanged(ZParameter* parameter);

  // Bound slots; a slot whose parameter went away reads as null.
  size_t ParameterCount() const noexcept { return params_.size(); }
  ZParameter* GetParameter(size_t index) const { return index < params_.size() ? params_[index] : nullptr; }
  // The index of a bound parameter, or -1.
  int32_t GetParameterIndex(const ZParameter* parameter) const;
  // Reads of parameter `index`; an unbound index reads as "", 0.
  ZString GetString(size_t index = 0) const;
  // "TEXT UNIT", or the text alone when the unit is empty.
  ZString GetStringAndUnit(size_t index = 0) const;
  double GetFloat(size_t index = 0) const;
  double GetNormalized(size_t index = 0) const;
  // Changes of parameter `index`, announced at once with this control as the sender.
  void SetString(std::string_view text, size_t index = 0);
  void SetFloat(double value, size_t index = 0);
  void SetNormalized(double position, size_t index = 0);
  // The edit bracket around a change the user makes.
  int32_t PostBeginEdit(size_t index = 0);
  int32_t PostEndEdit(size_t index = 0);
  // Binds one more parameter (scripts and tests); false past the maximum count.
  bool AddParameter(ZParameter* parameter);
  bool IsHovered() const noexcept { return hovered_; }

 protected:
  // Announces parameter `index` if the change just made altered it (before: its position and
  // text before the change).
  void AnnounceIfChanged(size_t index, double before, const ZString& beforeText);
  ZMLScriptHost* ScriptHost() const noexcept { return scriptHost_; }

 private:
  void Unbind();

  std::vector<ZParameter*> params_;
  ZMLScriptHost* scriptHost_ = nullptr;
  bool hovered_ = false;
};

}  // namespace ZTools
