// The code generation tests' fixture: compiles a script, links it, runs the global
// initialisation and one function, and reads the value the function left in r1; plus a look at
// the mnemonics of a function's code.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/compiler/zclfixture.h"
#include "zilopcodes.h"

class CodegenTest : public CompilerFixture {
 protected:
  // Compiles, links, runs the global initialisation and then function `fn`; r1 afterwards.
  ZILHandle* run(const std::string& text, const char* fn = "main") {
    if (used) {  // every script gets a runtime of its own
      TearDown();
      SetUp();
    }
    used = true;
    ZILError err = compile(text);
    EXPECT_EQ(err, 0) << log;
    if (err)
      return nullptr;
    EXPECT_EQ(ZCLLink(ps), 0) << log;
    EXPECT_EQ(ZILRun(ps), 0);
    ZCLFunc* f = funcs("__global", fn).empty() ? nullptr : funcs("__global", fn)[0];
    EXPECT_NE(f, nullptr);
    if (!f)
      return nullptr;
    runError = ZILRunAddress(ps, f->linkAddress);
    if (getenv("ZCL_LIST")) {
      ZILListCode(ps, stdout);
      printf("error %d at %d\n", static_cast<int>(runError), static_cast<int>(ps->exceptionPC));
    }
    return ps->root->regs[1];
  }
  ZILLong runInt(const std::string& text) {
    ZILHandle* h = run(text);
    EXPECT_EQ(runError, 0);
    EXPECT_TRUE(h && h->type == ZIL_TYPE_INT) << (h ? h->type : -1);
    return h && h->type == ZIL_TYPE_INT ? h->payload.l : -999999;
  }
  double runFloat(const std::string& text) {
    ZILHandle* h = run(text);
    EXPECT_TRUE(h && h->type == ZIL_TYPE_FLOAT);
    return h && h->type == ZIL_TYPE_FLOAT ? h->payload.f : -999999;
  }
  std::string runString(const std::string& text) {
    ZILHandle* h = run(text);
    EXPECT_TRUE(h && h->type == ZIL_TYPE_STRING);
    return h && h->type == ZIL_TYPE_STRING ? ZILStringText(static_cast<ZILString*>(h->payload.p)) : "";
  }
  // Mnemonics of a function's code in order.
  std::vector<std::string> mnemonics(const char* fn) {
    std::vector<std::string> out;
    ZCLFunc* f = funcs("__global", fn)[0];
    for (size_t pc = 0; pc < f->code.size();) {
      const ZILOpcodeInfo* info = ZILGetOpcodeInfo(f->code[pc]);
      if (!info)
        break;
      out.push_back(info->mnemonic);
      pc += static_cast<size_t>(info->length);
    }
    return out;
  }
  bool uses(const char* fn, const char* mnemonic) {
    for (auto& m : mnemonics(fn))
      if (m == mnemonic)
        return true;
    return false;
  }
  ZILError runError = 0;
  bool used = false;
};
