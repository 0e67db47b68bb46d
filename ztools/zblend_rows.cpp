// Row kernels for mixing a source in by a constant amount or by its alpha plane. The vector forms
// widen the bytes to 16 bits and form d * 256 + (s - d) * a, which lies in 0..65280, modulo 2^16
// with one multiply, then keep the high byte: the same number as the portable (d * (256 - a) +
// s * a) >> 8. The AVX2 forms are compiled for that instruction set only (target attribute) and
// run only where the processor reports it, so the build stays baseline x86-64.
#pragma GCC optimize("O3")

#include "ztools/zblend_rows.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#define ZBLEND_X86 1
#endif

namespace ZTools {
namespace {

inline void SourceOverPixels(uint8_t* __restrict d, const uint8_t* __restrict s, const uint8_t* __restrict a,
                             int32_t from, const int32_t n, const unsigned amount) {
  for (int32_t x = from; x < n; ++x) {
    const unsigned av = (a[x] * amount) >> 8, keep = 256 - av;
    for (int c = 0; c < 3; ++c)
      d[4 * x + c] = uint8_t((d[4 * x + c] * keep + s[4 * x + c] * av) >> 8);
    d[4 * x + 3] = 0;
  }
}

inline void MixPixels(uint8_t* __restrict d, const uint8_t* __restrict s, int32_t from, const int32_t n,
                      const unsigned amount) {
  const unsigned keep = 256 - amount;
  for (int32_t x = from; x < n; ++x) {
    for (int c = 0; c < 3; ++c)
      d[4 * x + c] = uint8_t((d[4 * x + c] * keep + s[4 * x + c] * amount) >> 8);
    d[4 * x + 3] = 0;
  }
}

void SourceOverPortable(uint8_t* d, const uint8_t* s, const uint8_t* a, int32_t n, unsigned amount) {
  SourceOverPixels(d, s, a, 0, n, amount);
}

void MixPortable(uint8_t* d, const uint8_t* s, int32_t n, unsigned amount) { MixPixels(d, s, 0, n, amount); }

#if ZBLEND_X86

// ((d << 8) + (s - d) * a) >> 8 on eight 16-bit channels.
inline __m128i Mix16(__m128i d, __m128i s, __m128i a) {
  return _mm_srli_epi16(_mm_add_epi16(_mm_slli_epi16(d, 8), _mm_mullo_epi16(_mm_sub_epi16(s, d), a)), 8);
}

// Four pixels with the 16-bit alphas of pixels 0, 1 in alo and of pixels 2, 3 in ahi.
inline __m128i MixFour(__m128i dv, __m128i sv, __m128i alo, __m128i ahi) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lo = Mix16(_mm_unpacklo_epi8(dv, zero), _mm_unpacklo_epi8(sv, zero), alo);
  const __m128i hi = Mix16(_mm_unpackhi_epi8(dv, zero), _mm_unpackhi_epi8(sv, zero), ahi);
  return _mm_and_si128(_mm_packus_epi16(lo, hi), _mm_set1_epi32(0x00ffffff));
}

void SourceOverSse2(uint8_t* __restrict d, const uint8_t* __restrict s, const uint8_t* __restrict a, const int32_t n,
                    const unsigned amount) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i scale = _mm_set1_epi16(int16_t(amount));
  int32_t x = 0;
  for (; x + 8 <= n; x += 8) {
    uint64_t a8;
    std::memcpy(&a8, a + x, 8);
    __m128i* dp = reinterpret_cast<__m128i*>(d + 4 * x);
    const __m128i* sp = reinterpret_cast<const __m128i*>(s + 4 * x);
    const __m128i d0 = _mm_loadu_si128(dp), d1 = _mm_loadu_si128(dp + 1);
    if (a8 == 0) {  // nothing of the source shows: only the unused bytes change
      _mm_storeu_si128(dp, _mm_and_si128(d0, _mm_set1_epi32(0x00ffffff)));
      _mm_storeu_si128(dp + 1, _mm_and_si128(d1, _mm_set1_epi32(0x00ffffff)));
      continue;
    }
    __m128i av = _mm_unpacklo_epi8(_mm_cvtsi64_si128(int64_t(a8)), zero);  // eight 16-bit alphas
    av = _mm_srli_epi16(_mm_mullo_epi16(av, scale), 8);
    const __m128i a03 = _mm_unpacklo_epi16(av, av), a47 = _mm_unpackhi_epi16(av, av);
    _mm_storeu_si128(dp, MixFour(d0, _mm_loadu_si128(sp), _mm_unpacklo_epi32(a03, a03), _mm_unpackhi_epi32(a03, a03)));
    _mm_storeu_si128(dp + 1,
                     MixFour(d1, _mm_loadu_si128(sp + 1), _mm_unpacklo_epi32(a47, a47), _mm_unpackhi_epi32(a47, a47)));
  }
  SourceOverPixels(d, s, a, x, n, amount);
}

void MixSse2(uint8_t* __restrict d, const uint8_t* __restrict s, const int32_t n, const unsigned amount) {
  const __m128i av = _mm_set1_epi16(int16_t(amount));
  int32_t x = 0;
  for (; x + 4 <= n; x += 4) {
    __m128i* dp = reinterpret_cast<__m128i*>(d + 4 * x);
    _mm_storeu_si128(
        dp, MixFour(_mm_loadu_si128(dp), _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * x)), av, av));
  }
  MixPixels(d, s, x, n, amount);
}

#define ZBLEND_AVX2 __attribute__((target("avx2")))

ZBLEND_AVX2 inline __m256i Mix16x2(__m256i d, __m256i s, __m256i a) {
  return _mm256_srli_epi16(_mm256_add_epi16(_mm256_slli_epi16(d, 8), _mm256_mullo_epi16(_mm256_sub_epi16(s, d), a)), 8);
}

// Eight pixels. The unpacks work within each 128-bit half, so alo holds the alphas of pixels
// 0, 1 and 4, 5 and ahi those of pixels 2, 3 and 6, 7.
ZBLEND_AVX2 inline __m256i MixEight(__m256i dv, __m256i sv, __m256i alo, __m256i ahi) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i lo = Mix16x2(_mm256_unpacklo_epi8(dv, zero), _mm256_unpacklo_epi8(sv, zero), alo);
  const __m256i hi = Mix16x2(_mm256_unpackhi_epi8(dv, zero), _mm256_unpackhi_epi8(sv, zero), ahi);
  return _mm256_and_si256(_mm256_packus_epi16(lo, hi), _mm256_set1_epi32(0x00ffffff));
}

ZBLEND_AVX2 void SourceOverAvx2(uint8_t* __restrict d, const uint8_t* __restrict s, const uint8_t* __restrict a,
                                const int32_t n, const unsigned amount) {
  const __m128i scale = _mm_set1_epi16(int16_t(amount));
  // Byte shuffles that repeat 16-bit alpha k over the four channels of pixel k (see MixEight).
  const __m256i spreadLo = _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 2, 3, 2, 3, 2, 3, 2, 3,  //
                                            8, 9, 8, 9, 8, 9, 8, 9, 10, 11, 10, 11, 10, 11, 10, 11);
  const __m256i spreadHi = _mm256_setr_epi8(4, 5, 4, 5, 4, 5, 4, 5, 6, 7, 6, 7, 6, 7, 6, 7,  //
                                            12, 13, 12, 13, 12, 13, 12, 13, 14, 15, 14, 15, 14, 15, 14, 15);
  int32_t x = 0;
  for (; x + 8 <= n; x += 8) {
    uint64_t a8;
    std::memcpy(&a8, a + x, 8);
    __m256i* dp = reinterpret_cast<__m256i*>(d + 4 * x);
    const __m256i dv = _mm256_loadu_si256(dp);
    if (a8 == 0) {  // nothing of the source shows: only the unused bytes change
      _mm256_storeu_si256(dp, _mm256_and_si256(dv, _mm256_set1_epi32(0x00ffffff)));
      continue;
    }
    __m128i av = _mm_cvtepu8_epi16(_mm_cvtsi64_si128(int64_t(a8)));
    av = _mm_srli_epi16(_mm_mullo_epi16(av, scale), 8);
    const __m256i aw = _mm256_broadcastsi128_si256(av);
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * x));
    _mm256_storeu_si256(dp, MixEight(dv, sv, _mm256_shuffle_epi8(aw, spreadLo), _mm256_shuffle_epi8(aw, spreadHi)));
  }
  SourceOverPixels(d, s, a, x, n, amount);
}

ZBLEND_AVX2 void MixAvx2(uint8_t* __restrict d, const uint8_t* __restrict s, const int32_t n, const unsigned amount) {
  const __m256i av = _mm256_set1_epi16(int16_t(amount));
  int32_t x = 0;
  for (; x + 8 <= n; x += 8) {
    __m256i* dp = reinterpret_cast<__m256i*>(d + 4 * x);
    _mm256_storeu_si256(
        dp, MixEight(_mm256_loadu_si256(dp), _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * x)), av, av));
  }
  MixPixels(d, s, x, n, amount);
}

constexpr ZBlendRowKernels kKernels[] = {
    {"avx2", SourceOverAvx2, MixAvx2},
    {"sse2", SourceOverSse2, MixSse2},
    {"portable", SourceOverPortable, MixPortable},
};

#else

constexpr ZBlendRowKernels kKernels[] = {{"portable", SourceOverPortable, MixPortable}};

#endif

}  // namespace

std::span<const ZBlendRowKernels> AvailableBlendRowKernels() {
  std::span<const ZBlendRowKernels> all(kKernels);
#if ZBLEND_X86
  if (!__builtin_cpu_supports("avx2"))
    return all.subspan(1);
#endif
  return all;
}

}  // namespace ZTools
