// ZGhostParameter (`ghostparam`): a second face of another parameter (`linkto`). It has no value
// of its own. In mode 2 values pass through unchanged; in modes 0 and 1 the ghost converts with
// its own range, steps and scaler to a position and reads and writes the target's position, so
// one value can be shown in two units. Changes either way are announced on both sides. A ghost
// linked to itself, directly or through other ghosts, is refused.
#pragma once

#include "ztools/zparameter.h"

namespace ZTools {

class ZGhostParameter : public ZBasicParameter {
 public:
  ~ZGhostParameter() override;
  int32_t OnEvent(ZEvent* event) override;
  ZString GetStringValue() const override;
  void SetStringValue(std::string_view text) override;
  double GetFloatValue() const override;
  void SetFloatValue(double value) override;
  double GetNormalized() const override;
  void SetNormalized(double position) override;
  int32_t GetUserIndex(bool follow) const override;
  uint32_t GetStorageCaps(bool follow) const override;
  // Announces to the ghost's own listeners and then to the target's.
  void Announce() override;
  const char* GetType() const override { return "ghostparam"; }
  ZParameter* Target() const noexcept { return target_; }
  int32_t Mode() const noexcept { return mode_; }

 protected:
  int32_t SetOwnProperty(std::string_view name, std::string_view value) override;
  const char* Declaration() const override {
    return "interface_zparameter::ghostparam linkto listener='defaultparameterlistener'? scaler? range? steps? "
           "displayname? format? unit? index? mode? ()";
  }
  void OnDependeeDestroy(IEventListener* dependee) override;

 private:
  // The ghost's own steps, halves rounded away from zero.
  double QuantizeAway(double position) const;
  void Unlink();

  ZParameter* target_ = nullptr;
  int32_t mode_ = 0;
};

}  // namespace ZTools
