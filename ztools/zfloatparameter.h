// ZFloatParameter (`float`): a position p in 0..1 (a 32-bit float), mapped to a value in the
// range through the scaler when there is one and quantised to the steps. ZVstParameter
// (`vstparam`) adds what a plug-in host stores: a chunk identifier of up to 7 characters,
// storage flags (`normal`, `global`, `volatile`, `automatable`, `notifyself`, `default`), a MIDI
// controller number and the default value (its initial `value`).
#pragma once

#include "ztools/zparameter.h"

namespace ZTools {

class ZFloatParameter : public ZBasicParameter {
 public:
  ZString GetStringValue() const override;
  void SetStringValue(std::string_view text) override;
  double GetFloatValue() const override;
  void SetFloatValue(double value) override;
  double GetNormalized() const override;
  void SetNormalized(double position) override;
  const char* GetType() const override { return "float"; }
  // The stored position, unscaled.
  float Position() const noexcept { return p_; }
  // Reads a text as the scaler (or a plain number) says; false when it names no value.
  bool ReadValueText(std::string_view text, double& value) const;

 protected:
  int32_t SetOwnProperty(std::string_view name, std::string_view value) override;
  const char* Declaration() const override {
    return "interface_zparameter::float listener='defaultparameterlistener'? scaler? range? steps? value? "
           "displayname? format? unit? index? ()";
  }

 private:
  float p_ = 0.0f;
};

inline constexpr uint32_t kVstParamNormal = 0;
inline constexpr uint32_t kVstParamGlobal = 0x1;
inline constexpr uint32_t kVstParamVolatile = 0x2;
inline constexpr uint32_t kVstParamAutomatable = 0x4;
inline constexpr uint32_t kVstParamNotifySelf = 0x8;
inline constexpr uint32_t kVstParamDefault = 0x4;

class ZVstParameter : public ZFloatParameter {
 public:
  ZVstParameter() { storage_ = kVstParamDefault; }
  uint32_t GetStorageCaps(bool) const override { return storage_; }
  const char* GetType() const override { return "vstparam"; }
  const ZString& ChunkId() const noexcept { return chunkId_; }
  int32_t MidiControl() const noexcept { return midiControl_; }
  double DefaultValue() const noexcept { return defaultValue_; }

 protected:
  int32_t SetOwnProperty(std::string_view name, std::string_view value) override;
  const char* Declaration() const override {
    return "interface_zparameter::vstparam listener='defaultvstparameterlistener'? scaler? range? steps? value? "
           "displayname? format? unit? index? chunkid flags='default'? midicontrol? ()";
  }

 private:
  ZString chunkId_;
  uint32_t storage_;
  int32_t midiControl_ = -1;
  double defaultValue_ = 0.0;
};

}  // namespace ZTools
