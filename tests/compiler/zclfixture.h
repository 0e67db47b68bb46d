// A runtime with a compiler for the compiler's tests: captures the log, compiles texts and
// answers questions about the declared types and functions.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zentra/compiler/zclparse.h"
#include "zentra/compiler/zclstate.h"
#include "zilcompiler.h"
#include "zilapi.h"

class CompilerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ps = ZILInitialize();
    ASSERT_NE(ps, nullptr);
    ps->user = this;
    ps->log = [](ZILState* s, const ZILChar* line) {
      static_cast<CompilerFixture*>(s->user)->log += line;
    };
    ASSERT_EQ(ZILInitializeCompiler(ps), 0) << log;
    st = ZCLGetState(ps);
    log.clear();
  }
  void TearDown() override {
    if (ps)
      ZILTerminate(ps);
    ps = nullptr;
  }
  // A fresh runtime and compiler, for tests that compile several unrelated texts.
  void Restart() {
    TearDown();
    SetUp();
  }

  ZILError compile(const std::string& text, const char* name = "a.zc") {
    log.clear();
    return ZCLCompile(ps, name, text.c_str());
  }

  // The type id of a name (alias or class), -1 when unknown.
  int typeOf(const std::string& name) {
    ZCLTypeDesc d;
    return ZCLLookupTypeName(st, name, &d) ? d.type : -1;
  }
  ZCLClass* cls(const std::string& name) {
    int id = typeOf(name);
    return id >= 0 ? st->classes[id].get() : nullptr;
  }
  std::vector<ZCLFunc*> funcs(const std::string& className, const std::string& name) {
    std::vector<ZCLFunc*> out;
    if (ZCLClass* c = cls(className))
      for (auto& f : c->funcs)
        if (f->name == name)
          out.push_back(f.get());
    return out;
  }

  ZILState* ps = nullptr;
  ZCLState* st = nullptr;
  std::string log;
};
