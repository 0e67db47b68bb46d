// A runtime with its compiler and the audio script classes, as a host sets it up: scripts are
// compiled, linked and run, then their functions are called with ints, floats, strings and
// handles. The engine opens its no-sound device.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "ziltools.h"

namespace apptest {

class AudioScriptTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Compiles, links and runs the initialisation code.
  bool Load(const std::string& script);
  // Calls the global function `name`; the result is owned by the fixture. Arguments: int,
  // double, const char* or ZILHandle*.
  template <class... A>
  ZILHandle* Call(const char* name, A... args) {
    ZILHandle* fn = ZILGetFunction(ps, name);
    EXPECT_NE(fn, nullptr) << name;
    if (!fn)
      return nullptr;
    auto packed = std::tuple_cat(Pack(args)...);
    ZILHandle* r = std::apply(
        [&](auto... xs) { return ZILCallFunction(ps, fn, static_cast<ZILLong>(sizeof...(A)), xs...); }, packed);
    NTLFreeHandle(ps, fn);
    if (r)
      held.push_back(r);
    return r;
  }
  template <class... A>
  int CallInt(const char* name, A... args) {
    ZILHandle* r = Call(name, args...);
    EXPECT_TRUE(r && r->type == ZIL_TYPE_INT) << name << ": " << Describe(r);
    return r && r->type == ZIL_TYPE_INT ? r->payload.l : -999999;
  }
  template <class... A>
  double CallFloat(const char* name, A... args) {
    ZILHandle* r = Call(name, args...);
    EXPECT_TRUE(r && r->type == ZIL_TYPE_FLOAT) << name << ": " << Describe(r);
    return r && r->type == ZIL_TYPE_FLOAT ? r->payload.f : -999999.0;
  }
  template <class... A>
  std::string CallString(const char* name, A... args) {
    ZILHandle* r = Call(name, args...);
    EXPECT_TRUE(r && r->type == ZIL_TYPE_STRING) << name << ": " << Describe(r);
    return r && r->type == ZIL_TYPE_STRING ? ZILStringText(static_cast<ZILString*>(r->payload.p)) : "";
  }
  // The error code of a call that failed (an exception value), 0 when it returned normally.
  template <class... A>
  ZILError CallError(const char* name, A... args) {
    ZILHandle* r = Call(name, args...);
    return r && r->type == ZIL_TYPE_EXCEPTION ? r->payload.l : 0;
  }
  void Drop(ZILHandle* h);  // releases a held result early
  std::string Describe(ZILHandle* h);
  ZILLong TypeId(const char* name) { return NTLTypeNameToTypeID(ps, name); }

  ZILState* ps = nullptr;
  std::string log;  // compiler and runtime log
  std::vector<ZILHandle*> held;

 private:
  static std::tuple<int, ZILLong> Pack(int v) { return {ZIL_ARG_INT, v}; }
  static std::tuple<int, ZILFloat> Pack(double v) { return {ZIL_ARG_FLOAT, v}; }
  static std::tuple<int, const char*> Pack(const char* v) { return {ZIL_ARG_STRING, v}; }
  static std::tuple<int, ZILHandle*> Pack(ZILHandle* v) { return {ZIL_ARG_HANDLE, v}; }
};

}  // namespace apptest
