// ZParameterList (`parameters`) holds parameters and nested lists in document order and numbers
// the parameters: one without an `index` gets the list's counter, one with an index sets the
// counter to that index plus one. ZVstParamList (`vstparameters`) takes `vstparam` only.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "ztools/base/zevent.h"

namespace ZTools {

class ZParameter;

class ZParameterList : public IEventListener {
 public:
  int32_t OnEvent(ZEvent* event) override;
  // Searches nested lists too; null when no parameter has that index.
  ZParameter* FindByUserIndex(int32_t index) const;
  ZParameter* FindByName(std::string_view name) const;
  // Parameters and lists, in document order.
  const std::vector<IEventListener*>& Items() const noexcept { return items_; }

 protected:
  virtual const char* Declaration() const {
    return "interface_zparameterlist::parameters ( interface_zparameter* interface_zparameterlist* )";
  }

 private:
  std::vector<IEventListener*> items_;
  int32_t counter_ = 0;
};

class ZVstParamList : public ZParameterList {
 protected:
  const char* Declaration() const override { return "interface_zparameterlist::vstparameters ( vstparam+ )"; }
};

}  // namespace ZTools
