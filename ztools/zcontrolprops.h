// Markup property helpers shared by the button, list and value controls: one table of setters
// per class, and numbers within the controls' limits.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "ztools/base/zerror.h"

namespace ZTools {

// Numbers a control keeps (units, values to set, increments) stay within ±kMaxControlNumber,
// so no sum or product of them at run time leaves the finite range.
inline constexpr double kMaxControlNumber = 1e9;

// One row of a class's property table.
template <typename T>
struct ZPropertyRow {
  std::string_view name;
  int32_t (*set)(T& self, std::string_view value);
};

// The row's answer, or kZErrUnknownProperty when the table has no row of that name.
template <typename T>
int32_t SetFromTable(std::span<const ZPropertyRow<T>> table, T& self, std::string_view name, std::string_view value) {
  for (const ZPropertyRow<T>& row : table)
    if (row.name == name)
      return row.set(self, value);
  return kZErrUnknownProperty;
}

// A finite number within ±kMaxControlNumber; false otherwise.
bool ParseControlNumber(std::string_view text, double& out);

}  // namespace ZTools
