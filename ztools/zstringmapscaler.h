// ZStringMapScaler (`stringmap`): names for values. `strings` is a comma-separated list of
// entries `text`, `text=n` (also `==`), `text!=n`, `text<n`, `text<=n`, `text>n`, `text>=n`.
// An entry without comparison stands for the running counter, which starts at 0, is set by
// `=n` and goes up by one after every entry: `Off,On` names 0 and 1, `Mono=1,Stereo` 1 and 2.
// Values compare with a small tolerance, since computed values are rarely exact.
#pragma once

#include <vector>

#include "ztools/zscaler.h"

namespace ZTools {

class ZStringMapScaler : public ZBasicScaler {
 public:
  enum class Compare {
    kEqual,
    kNotEqual,
    kLess,
    kLessEqual,
    kGreater,
    kGreaterEqual
  };
  struct Entry {
    ZString text;
    Compare compare;
    double number;
  };

  ZString ValueToString(double value, const ZParameter& parameter) const override;
  bool StringToValue(std::string_view text, const ZParameter& parameter, double& value) const override;
  int32_t SetProperty(std::string_view name, std::string_view value) override;
  const std::vector<Entry>& Entries() const noexcept { return entries_; }

 protected:
  const char* Declaration() const override { return "interface_zparamscaler::stringmap strings?()"; }

 private:
  std::vector<Entry> entries_;
};

}  // namespace ZTools
