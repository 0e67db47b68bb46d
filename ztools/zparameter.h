// Parameters: every value a skin shows or changes. A parameter keeps a position between 0 and 1
// (or a text), maps it to a value in its range through an optional scaler, writes it as text
// with its display format, and tells its listeners when it changes. ZParameter is the interface
// controls and scripts use; ZBasicParameter holds what every kind shares (names, range, steps,
// scaler, listeners with their notify bytes) and reads the common markup properties.
//
// Change notification: whoever changes a parameter marks it dirty with itself as sender and then
// announces it; every listener but the sender receives one EvtParameterChanged, in attach order.
// A listener that changes the parameter again while it is being announced does not recurse: the
// new change is announced after the running round, and a few rounds at most, so two listeners
// writing back and forth cannot ping-pong forever.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "ztools/base/zevent.h"
#include "ztools/zpanewords.h"
#include "ztools/base/zstring.h"

namespace ZTools {

class ZMLScriptHost;
class ZParamScaler;

inline constexpr const char* kParameterInterface = "interface_zparameter";

class ZParameter : public IEventListener {
 public:
  // Values: text, plain value in the range, normalised position 0..1.
  virtual ZString GetStringValue() const = 0;
  virtual void SetStringValue(std::string_view text) = 0;
  virtual double GetFloatValue() const = 0;
  virtual void SetFloatValue(double value) = 0;
  virtual double GetNormalized() const = 0;
  virtual void SetNormalized(double position) = 0;

  virtual const ZString& GetDisplayName() const = 0;
  virtual const ZString& GetDisplayFormat() const = 0;
  virtual const ZString& GetUnitString() const = 0;
  // `follow`: a ghost answers for the parameter it is linked to.
  virtual int32_t GetUserIndex(bool follow) const = 0;
  virtual uint32_t GetStorageCaps(bool follow) const = 0;
  virtual double GetValueMin() const = 0;
  virtual double GetValueMax() const = 0;
  virtual double GetDiscreteSteps() const = 0;
  virtual bool IsDirty() const = 0;
  virtual void SetDisplayName(std::string_view text) = 0;
  // False (and nothing changes) for a format that is not safe; "" restores the default.
  virtual bool SetDisplayFormat(std::string_view format) = 0;
  virtual void SetUnitString(std::string_view text) = 0;
  virtual void SetUserIndex(int32_t index) = 0;
  // False for non-finite numbers.
  virtual bool SetValueRange(double min, double max) = 0;
  virtual bool SetDiscreteSteps(double steps) = 0;
  // Marks the parameter changed; with a sender, that listener is not told of this change.
  virtual void SetDirty(IEventListener* sender = nullptr) = 0;
  virtual void ClearDirty(IEventListener* sender = nullptr) = 0;
  // Tells the listeners of a dirty parameter (see the file comment).
  virtual void Announce() = 0;
  // "string", "float", "vstparam" or "ghostparam".
  virtual const char* GetType() const = 0;
  // The reference name from the markup ("" when it has none).
  virtual const ZString& GetName() const = 0;
  virtual bool AttachListener(IEventListener* listener) = 0;
  virtual bool DetachListener(IEventListener* listener) = 0;
};

class ZBasicParameter : public ZParameter {
 public:
  ZBasicParameter();
  ~ZBasicParameter() override;

  int32_t OnEvent(ZEvent* event) override;

  const ZString& GetDisplayName() const override { return displayName_; }
  const ZString& GetDisplayFormat() const override { return format_; }
  const ZString& GetUnitString() const override { return unit_; }
  int32_t GetUserIndex(bool) const override { return userIndex_; }
  uint32_t GetStorageCaps(bool) const override { return 0; }
  double GetValueMin() const override { return min_; }
  double GetValueMax() const override { return max_; }
  double GetDiscreteSteps() const override { return steps_; }
  bool IsDirty() const override { return dirty_; }
  void SetDisplayName(std::string_view text) override { displayName_ = text; }
  bool SetDisplayFormat(std::string_view format) override;
  void SetUnitString(std::string_view text) override { unit_ = text; }
  void SetUserIndex(int32_t index) override { userIndex_ = index; }
  bool SetValueRange(double min, double max) override;
  bool SetDiscreteSteps(double steps) override;
  void SetDirty(IEventListener* sender = nullptr) override;
  void ClearDirty(IEventListener* sender = nullptr) override;
  void Announce() override;
  const ZString& GetName() const override { return name_; }
  bool AttachListener(IEventListener* listener) override;
  bool DetachListener(IEventListener* listener) override;

  ZParamScaler* GetScaler() const noexcept { return scaler_; }
  void SetScaler(ZParamScaler* scaler) noexcept { scaler_ = scaler; }
  size_t ListenerCount() const noexcept { return listeners_.size(); }
  // Whether `index` was given in the markup (the parameter list numbers the others).
  bool HasExplicitIndex() const noexcept { return indexGiven_; }

  // Linear conversions over the range, and quantising a position to the steps.
  double LinearPosition(double value) const;
  double LinearValue(double position) const;
  double Quantize(double position) const;

  // One markup property: the common ones here, the kind's own in SetOwnProperty.
  int32_t SetProperty(std::string_view name, std::string_view value);

 protected:
  virtual int32_t SetOwnProperty(std::string_view name, std::string_view value);
  // The markup declaration of the kind.
  virtual const char* Declaration() const = 0;
  ZMLScriptHost* Host() const noexcept { return host_; }
  // Looks a parameter up by reference name (for ghosts); null when there is none.
  ZParameter* FindParameter(std::string_view name) const;
  // Forgets pointers to an object that is going away (scaler, listener, linked parameter).
  virtual void OnDependeeDestroy(IEventListener* dependee);

  ZString displayName_;
  ZString format_{kDefaultFormat};
  ZString unit_;
  int32_t userIndex_ = -1;
  float min_ = 0.0f;
  float max_ = 1.0f;
  float steps_ = 0.0f;

 private:
  static constexpr const char* kDefaultFormat = "%g";
  struct Listener {
    IEventListener* listener;
    bool notify;
  };
  ZString name_;
  ZMLScriptHost* host_ = nullptr;
  ZParamScaler* scaler_ = nullptr;
  std::vector<Listener> listeners_;
  bool dirty_ = false;
  bool indexGiven_ = false;
  int32_t announcing_ = 0;  // rounds of the announcement running (0: none)
};

}  // namespace ZTools
