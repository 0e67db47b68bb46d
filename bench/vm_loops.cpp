// bench-links: zil
// vm_loops.cpp - speed of the ZIL interpreter on hand-assembled loops: an int counting loop
// (addl/csltl/tstne), a float loop (addf/csltf/tstne) and a call loop (jsr/ret). Prints the
// millions of instructions per second of each; the instruction counts come from the runtime's
// own instruction counter. MIPS are computed from the process's CPU time, which a busy machine
// disturbs less than wall-clock time; both times are printed.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "zilapi.h"

namespace {

struct Code {
  std::vector<ZILLong> words;
  void add(std::initializer_list<ZILLong> w) { words.insert(words.end(), w); }
  ZILLong here(ZILLong base) const { return base + static_cast<ZILLong>(words.size()); }
};

double runMips(ZILState* ps, ZILLong address, const char* name) {
  uint64_t before = ps->instructionCounter;
  auto start = std::chrono::steady_clock::now();
  std::clock_t cpuStart = std::clock();
  ZILError e = ZILRunAddress(ps, address);
  std::clock_t cpuEnd = std::clock();
  auto end = std::chrono::steady_clock::now();
  double seconds = std::chrono::duration<double>(end - start).count();
  double cpuSeconds = static_cast<double>(cpuEnd - cpuStart) / CLOCKS_PER_SEC;
  uint64_t count = ps->instructionCounter - before;
  double mips = static_cast<double>(count) / cpuSeconds / 1e6;
  printf("%-38s %11llu instructions  cpu %6.3f s  wall %6.3f s  %7.1f MIPS%s\n", name,
         static_cast<unsigned long long>(count), cpuSeconds, seconds, mips, e ? "  (FAILED)" : "");
  return mips;
}

}  // namespace

int main(int argc, char** argv) {
  ZILLong iterations = argc > 1 ? atoi(argv[1]) : 30000000;
  ZILState* ps = ZILInitialize();
  if (!ps || ZILPrepareRun(ps) != 0) {
    fprintf(stderr, "runtime failed to start\n");
    return 1;
  }
  ZILLong i0, i1, iN, f0, f1, fN;
  ZILAddConstantInt(ps, 0, &i0);
  ZILAddConstantInt(ps, 1, &i1);
  ZILAddConstantInt(ps, iterations, &iN);
  ZILAddConstantFloat(ps, 0.0, &f0);
  ZILAddConstantFloat(ps, 0.5, &f1);
  ZILAddConstantFloat(ps, iterations * 0.5, &fN);

  // int: r3 = 0, r4 = 1, r5 = N; loop: r3 += r4; r6 = r3 < r5; if r6 goto loop
  ZILLong base = ps->code.count;
  Code c;
  c.add({ZOP_COPYH_DH_R, i0, 3, ZOP_COPYH_DH_R, i1, 4, ZOP_COPYH_DH_R, iN, 5});
  ZILLong loop = c.here(base);
  c.add({ZOP_ADDL_R_R, 4, 3, ZOP_CSLTL_R_R_R, 5, 3, 6});
  c.add({ZOP_TSTNE_R_OFS, 6, loop - c.here(base)});
  c.add({ZOP_RET});
  ZILLong intLoop = base;
  ZILAppendCode(ps, c.words.data(), static_cast<ZILLong>(c.words.size()), nullptr);

  // float: the same with addf/csltf
  base = ps->code.count;
  c = Code();
  c.add({ZOP_COPYH_DH_R, f0, 3, ZOP_COPYH_DH_R, f1, 4, ZOP_COPYH_DH_R, fN, 5});
  loop = c.here(base);
  c.add({ZOP_ADDF_R_R, 4, 3, ZOP_CSLTF_R_R_R, 5, 3, 6});
  c.add({ZOP_TSTNE_R_OFS, 6, loop - c.here(base)});
  c.add({ZOP_RET});
  ZILLong floatLoop = base;
  ZILAppendCode(ps, c.words.data(), static_cast<ZILLong>(c.words.size()), nullptr);

  // calls: loop: jsr sub; r3 += r4; r6 = r3 < r5; if r6 goto loop; sub: ret
  base = ps->code.count;
  c = Code();
  c.add({ZOP_COPYH_DH_R, i0, 3, ZOP_COPYH_DH_R, i1, 4, ZOP_COPYH_DH_R, iN, 5});
  loop = c.here(base);
  ZILLong jsrAt = static_cast<ZILLong>(c.words.size());
  c.add({ZOP_JSR_IMM, 0, ZOP_ADDL_R_R, 4, 3, ZOP_CSLTL_R_R_R, 5, 3, 6});
  c.add({ZOP_TSTNE_R_OFS, 6, loop - c.here(base)});
  c.add({ZOP_RET});
  c.words[jsrAt + 1] = c.here(base);
  c.add({ZOP_RET});
  ZILLong callLoop = base;
  ZILAppendCode(ps, c.words.data(), static_cast<ZILLong>(c.words.size()), nullptr);

  printf("ZIL interpreter, %d iterations per loop\n", iterations);
  runMips(ps, intLoop, "int loop (addl/csltl/tstne)");
  runMips(ps, floatLoop, "float loop (addf/csltf/tstne)");
  runMips(ps, callLoop, "call loop (jsr/ret/addl/csltl/tstne)");
  ZILTerminate(ps);
  return 0;
}
