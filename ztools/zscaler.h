// Scalers map a parameter's position to its value along a curve of their own and write values as
// text. ZParamScaler is the interface; ZBasicScaler answers the markup events and formats values
// with the parameter's display format; the exponential (`expscaler`, property `curve`) and
// decibel (`logscaler`) scalers are here, the string map (`stringmap`) in zstringmapscaler.h.
#pragma once

#include <cstdint>
#include <string_view>

#include "ztools/base/zevent.h"
#include "ztools/base/zstring.h"

namespace ZTools {

class ZParameter;

class ZParamScaler : public IEventListener {
 public:
  virtual ZString ValueToString(double value, const ZParameter& parameter) const = 0;
  // False when the text names no value.
  virtual bool StringToValue(std::string_view text, const ZParameter& parameter, double& value) const = 0;
  virtual double NormalToValue(double position, const ZParameter& parameter) const = 0;
  virtual double ValueToNormal(double value, const ZParameter& parameter) const = 0;
  virtual int32_t SetProperty(std::string_view name, std::string_view value) = 0;
};

class ZBasicScaler : public ZParamScaler {
 public:
  int32_t OnEvent(ZEvent* event) override;
  ZString ValueToString(double value, const ZParameter& parameter) const override;
  bool StringToValue(std::string_view text, const ZParameter& parameter, double& value) const override;
  // Linear over the parameter's range.
  double NormalToValue(double position, const ZParameter& parameter) const override;
  double ValueToNormal(double value, const ZParameter& parameter) const override;
  int32_t SetProperty(std::string_view name, std::string_view value) override;

 protected:
  virtual const char* Declaration() const = 0;
};

// Position = x^k of the linear position x for a curve k > 0, 1 - (1 - x)^(-k) for k < 0 (the
// mirrored shape).
class ZStdExpScaler : public ZBasicScaler {
 public:
  double NormalToValue(double position, const ZParameter& parameter) const override;
  double ValueToNormal(double value, const ZParameter& parameter) const override;
  int32_t SetProperty(std::string_view name, std::string_view value) override;
  float Curve() const noexcept { return curve_; }

 protected:
  const char* Declaration() const override { return "interface_zparamscaler::expscaler curve='1'? ()"; }

 private:
  float curve_ = 1.0f;
};

// Decibels over 0..1, ignoring the range: value = 20 log10(position), at least -96 dB.
class ZStdLogScaler : public ZBasicScaler {
 public:
  static constexpr double kFloorDecibels = -96.0;
  double NormalToValue(double position, const ZParameter& parameter) const override;
  double ValueToNormal(double value, const ZParameter& parameter) const override;

 protected:
  const char* Declaration() const override { return "interface_zparamscaler::logscaler ()"; }
};

}  // namespace ZTools
