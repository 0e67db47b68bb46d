// The C++ side of the script class Tally (tally.zc). The generated bind_Tally.cpp calls one
// member per script function, with the script's argument types as ZILLong, ZILFloat and
// const ZILChar*, and returns strings as std::string.
#pragma once

#include <string>

#include "zilapi.h"

class Tally {
 public:
  void add(ZILLong n) { total_ += n; }
  ZILLong total() const { return total_; }
  static std::string describe(ZILLong n) { return std::to_string(n) + (n == 1 ? " item" : " items"); }

 private:
  ZILLong total_ = 0;
};
