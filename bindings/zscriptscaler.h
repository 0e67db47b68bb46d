// ScriptScaler (`scriptscaler`): a parameter scaler whose four conversions are methods of a
// script class implementing the prelude's Scaler interface. Without a runtime or object the
// conversions give "" and 0.0; a result that is NaN or infinite reads as 0.
#pragma once

#include <cstdint>
#include <string_view>

#include "zilapi.h"
#include "ziltools.h"
#include "ztools/zscaler.h"

namespace ZTools {

class ZMLScriptHost;

class ScriptScaler : public ZBasicScaler {
 public:
  ~ScriptScaler() override;
  int32_t OnEvent(ZEvent* event) override;
  ZString ValueToString(double value, const ZParameter& parameter) const override;
  bool StringToValue(std::string_view text, const ZParameter& parameter, double& value) const override;
  double NormalToValue(double position, const ZParameter& parameter) const override;
  double ValueToNormal(double value, const ZParameter& parameter) const override;
  int32_t SetProperty(std::string_view name, std::string_view value) override;

 protected:
  const char* Declaration() const override { return "interface_zparamscaler::scriptscaler script class ()"; }

 private:
  // Method numbers of the Scaler interface.
  enum Method {
    kConstructor,
    kValueToString,
    kStringToValue,
    kNormalToValue,
    kValueToNormal,
    kMethodCount
  };

  void Release();
  bool CanCall() const;
  // Calls a conversion with the value (a float or a string) and a new Parameter; the result, or null.
  ZILHandle* Call(Method m, const ZParameter& parameter, double value, std::string_view text) const;
  double FloatResult(ZILHandle* result, bool* answered = nullptr) const;
  static ZILError Mark(ZILState* ps, ZILLong event, void* owner);

  ZMLScriptHost* host_ = nullptr;
  ZILState* runtime_ = nullptr;
  ZILHandle* object_ = nullptr;
  ZILDelegateTable* methods_ = nullptr;
  bool markAttached_ = false;
};

}  // namespace ZTools
