// libFuzzer target for the byte-code interpreter: the input chooses a program of instructions
// with hostile operands (tests/runtime/zilinterp_fuzz_program.h, shared with the runtime tests)
// that runs in a fresh runtime whose exception vectors clear every fault. The program must end
// in success or one of the faults that end a run, with the root context intact.
// fuzz-links: zil
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "tests/runtime/zilinterp_fuzz_program.h"

namespace {

// Choices read from the input, two bytes each; zeros once it is used up.
class InputChoices {
 public:
  InputChoices(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  ZILLong operator()(ZILLong lo, ZILLong hi) {
    uint32_t v = 0;
    for (int i = 0; i < 2 && at_ < size_; ++i)
      v = v << 8 | data_[at_++];
    return lo + static_cast<ZILLong>(v % static_cast<uint32_t>(hi - lo + 1));
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<ZILLong> usable = zilfuzz::UsableOpcodes();
  ZILState* ps = ZILInitialize();
  if (!ps || zilfuzz::PrepareRuntime(ps) != 0)
    std::abort();
  InputChoices choices(data, size);
  // About three choices per instruction.
  const int count = static_cast<int>(std::min<size_t>(size / 6 + 1, 400));
  std::vector<ZILLong> words = zilfuzz::RandomProgram(ps, usable, choices, count);
  ZILLong address = -1;
  if (ZILAppendCode(ps, words.data(), static_cast<ZILLong>(words.size()), &address) != 0)
    std::abort();
  ZILError e = ZILRunAddress(ps, address);
  if (!zilfuzz::ExpectedEnd(e))
    std::abort();
  zilfuzz::ResetRoot(ps);
  if (ps->depth != 0 || ps->current != ps->root)
    std::abort();
  if (ZILTerminate(ps) != 0)
    std::abort();
  return 0;
}
