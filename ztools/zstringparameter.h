// ZStringParameter (`string`): a text. Read as a number it is the text's number (0 when it is
// none); set as a number it becomes the number written with the display format; its position is
// that number's linear position in the range.
#pragma once

#include "ztools/zparameter.h"

namespace ZTools {

class ZStringParameter : public ZBasicParameter {
 public:
  ZString GetStringValue() const override { return text_; }
  void SetStringValue(std::string_view text) override { text_ = text; }
  double GetFloatValue() const override;
  void SetFloatValue(double value) override;
  double GetNormalized() const override { return LinearPosition(GetFloatValue()); }
  void SetNormalized(double position) override;
  const char* GetType() const override { return "string"; }

 protected:
  int32_t SetOwnProperty(std::string_view name, std::string_view value) override;
  const char* Declaration() const override {
    return "interface_zparameter::string listener='defaultparameterlistener'? range? value? displayname? format? "
           "unit? index? ()";
  }

 private:
  ZString text_;
};

}  // namespace ZTools
