// bench-links: ztools PkgConfig::PIXMAN
// Blend speed: a 1920 x 1080 source blended onto a destination of the same size by the drawing
// context's kernels, next to pixman doing the nearest operation on the same pixels in the same
// run (SRC, OVER with a constant mask, OVER with per-pixel alpha, MULTIPLY, SCREEN; a colour
// key has no pixman counterpart, so `transparent` is set beside OVER with 0/255 alpha).
// Prints megapixels per second and the ratio; the target is at least pixman's rate on every row.
#include <pixman.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

#include "ztools/zblend.h"

using namespace ZTools;

namespace {

constexpr int kW = 1920, kH = 1080;
constexpr int kRounds = 16;

// The process's CPU time in seconds: on a busy machine, time spent waiting for a core does not
// count against either side.
double CpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Megapixels per second of one timed batch of runs.
double Batch(const std::function<void()>& op) {
  const int reps = 8;
  double t0 = CpuSeconds();
  for (int i = 0; i < reps; ++i)
    op();
  return double(kW) * kH * reps / (CpuSeconds() - t0) / 1e6;
}

struct Rates {
  double ours, theirs, ratio;  // medians over the rounds
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Rounds of one batch of each side, alternating, so a busy machine slows both alike; the ratio
// is the median of the rounds' ratios, which one slow or lucky batch does not move.
Rates Measure(const std::function<void()>& ours, const std::function<void()>& theirs) {
  ours();  // warm caches and page in the buffers
  theirs();
  std::vector<double> a, b, r;
  for (int round = 0; round < kRounds; ++round) {
    // Which side goes first alternates too: the second finds the destination just written.
    if (round % 2 == 0) {
      a.push_back(Batch(ours));
      b.push_back(Batch(theirs));
    } else {
      b.push_back(Batch(theirs));
      a.push_back(Batch(ours));
    }
    r.push_back(a.back() / b.back());
  }
  return {Median(a), Median(b), Median(r)};
}

struct PixmanImage {
  pixman_image_t* image;
  ~PixmanImage() { pixman_image_unref(image); }
};

}  // namespace

int main() {
  std::vector<uint32_t> src(size_t(kW) * kH), dst(src.size()), premultiplied(src.size()), keyed(src.size());
  std::vector<uint8_t> alpha(src.size());
  uint32_t seed = 1;
  for (size_t i = 0; i < src.size(); ++i) {
    seed = seed * 1664525u + 1013904223u;
    src[i] = seed >> 8;
    dst[i] = (seed * 7u) >> 8;
    alpha[i] = uint8_t(seed >> 3);
    // pixman's per-pixel alpha is premultiplied a8r8g8b8.
    uint32_t a = alpha[i];
    uint32_t r = (src[i] >> 16 & 255) * a / 255, g = (src[i] >> 8 & 255) * a / 255, b = (src[i] & 255) * a / 255;
    premultiplied[i] = a << 24 | r << 16 | g << 8 | b;
    keyed[i] = (i % 7 == 0) ? 0xff000000u | src[i] : 0;  // colour key stand-in: 1 in 7 opaque
  }
  const ZColor key = ZColor::FromPixel(src[1]);

  PixmanImage psrc{pixman_image_create_bits(PIXMAN_x8r8g8b8, kW, kH, src.data(), kW * 4)};
  PixmanImage pdst{pixman_image_create_bits(PIXMAN_x8r8g8b8, kW, kH, dst.data(), kW * 4)};
  PixmanImage ppre{pixman_image_create_bits(PIXMAN_a8r8g8b8, kW, kH, premultiplied.data(), kW * 4)};
  PixmanImage pkey{pixman_image_create_bits(PIXMAN_a8r8g8b8, kW, kH, keyed.data(), kW * 4)};
  pixman_color_t half = {0, 0, 0, 0x8080};
  PixmanImage pmask{pixman_image_create_solid_fill(&half)};

  auto ours = [&](int mode, const uint8_t* a, int amount) {
    return [&, mode, a, amount] {
      BlendRect(dst.data(), kW, src.data(), kW, a, kW, kW, kH, ZBlendParams{mode, amount, key});
    };
  };
  auto theirs = [&](pixman_op_t op, pixman_image_t* s, pixman_image_t* m) {
    return [&, op, s, m] {
      pixman_image_composite32(op, s, m, pdst.image, 0, 0, 0, 0, 0, 0, kW, kH);
    };
  };

  struct Row {
    const char* name;
    const char* reference;
    std::function<void()> ours;
    std::function<void()> theirs;
  };
  const Row rows[] = {
      {"opaque", "SRC", ours(kBlendOpaque, nullptr, 255), theirs(PIXMAN_OP_SRC, psrc.image, nullptr)},
      {"alpha (amount 128)", "OVER, constant mask", ours(kBlendAlpha, nullptr, 128),
       theirs(PIXMAN_OP_OVER, psrc.image, pmask.image)},
      {"alpha + alpha plane", "OVER, per-pixel alpha", ours(kBlendAlpha, alpha.data(), 255),
       theirs(PIXMAN_OP_OVER, ppre.image, nullptr)},
      {"multiply", "MULTIPLY", ours(kBlendMultiply, nullptr, 255), theirs(PIXMAN_OP_MULTIPLY, psrc.image, nullptr)},
      {"screen", "SCREEN", ours(kBlendScreen, nullptr, 255), theirs(PIXMAN_OP_SCREEN, psrc.image, nullptr)},
      {"transparent", "OVER, 0/255 alpha", ours(kBlendTransparent, nullptr, 255),
       theirs(PIXMAN_OP_OVER, pkey.image, nullptr)},
  };

  std::printf("Blending %d x %d pixels, megapixels per CPU second (medians of %d alternating batches of 8)\n\n", kW, kH,
              kRounds);
  std::printf("%-22s %10s   %-24s %10s %8s\n", "Sonabel mode", "MP/s", "pixman operation", "MP/s", "ratio");
  for (const Row& row : rows) {
    const Rates r = Measure(row.ours, row.theirs);
    std::printf("%-22s %10.0f   %-24s %10.0f %7.2fx\n", row.name, r.ours, row.reference, r.theirs, r.ratio);
  }
  return 0;
}
