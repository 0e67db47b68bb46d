// Writes the seed corpora of the PNG and BMP fuzz targets with the tests' own image makers
// (tests/ztools/bitmap_test_images.h): every PNG colour type at each of its bit depths, plain
// and interlaced, with palette or colour-key transparency and gamma; BMPs of every depth the
// decoder reads, with palettes, bit fields, both run-length encodings and both row orders.
//   fuzz_image_seeds OUT      (files go to OUT/png_decode and OUT/bmp_decode)
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/ztools/bitmap_test_images.h"

namespace {

using namespace ZTools::TestImages;

void Write(const std::filesystem::path& folder, const std::string& name, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(folder);
  std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Pattern(size_t n, unsigned seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i)
    v[i] = uint8_t(i * 37 + seed * 11 + (i >> 3));
  return v;
}

void WritePNGs(const std::filesystem::path& folder) {
  struct Kind {
    const char* name;
    int colorType;
    int channels;
    std::vector<int> depths;
  } kinds[] = {
      {"grey", PNG_COLOR_TYPE_GRAY, 1, {1, 2, 4, 8, 16}},
      {"rgb", PNG_COLOR_TYPE_RGB, 3, {8, 16}},
      {"palette", PNG_COLOR_TYPE_PALETTE, 1, {1, 2, 4, 8}},
      {"greyalpha", PNG_COLOR_TYPE_GRAY_ALPHA, 2, {8, 16}},
      {"rgba", PNG_COLOR_TYPE_RGBA, 4, {8, 16}},
  };
  unsigned seed = 0;
  for (const Kind& k : kinds) {
    for (int depth : k.depths) {
      for (int variant = 0; variant < 3; ++variant) {
        PNGSpec spec;
        spec.width = 5;
        spec.height = 3;
        spec.colorType = k.colorType;
        spec.bitDepth = depth;
        spec.interlace = variant == 1;
        size_t rowBytes = (size_t(spec.width) * k.channels * depth + 7) / 8;
        spec.data = Pattern(rowBytes * spec.height, ++seed);
        if (k.colorType == PNG_COLOR_TYPE_PALETTE) {
          for (int i = 0; i < (1 << depth); ++i)
            spec.palette.push_back({uint8_t(i * 40), uint8_t(255 - i), uint8_t(i * 7)});
          if (variant == 2)
            spec.trnsAlpha.assign({0, 128, 255}), spec.trnsAlpha.resize(depth == 1 ? 2 : 3);
        } else if (variant == 2 && (k.colorType == PNG_COLOR_TYPE_GRAY || k.colorType == PNG_COLOR_TYPE_RGB)) {
          spec.trnsColor = true;
          spec.trnsValue.gray = 1;
          spec.trnsValue.red = spec.trnsValue.green = spec.trnsValue.blue = 1;
        }
        if (variant == 2)
          spec.gamma = 0.45455;
        Write(folder, std::string(k.name) + std::to_string(depth) + "-" + std::to_string(variant) + ".png",
              MakePNG(spec));
      }
    }
  }
}

void WriteBMPs(const std::filesystem::path& folder) {
  std::vector<uint8_t> palette;
  for (int i = 0; i < 16; ++i)
    palette.insert(palette.end(), {uint8_t(i * 16), uint8_t(255 - i * 16), uint8_t(i), 0});
  const std::vector<uint8_t> masks555 = {0x00, 0x7c, 0, 0, 0xe0, 0x03, 0, 0, 0x1f, 0, 0, 0};
  const std::vector<uint8_t> masks565 = {0x00, 0xf8, 0, 0, 0xe0, 0x07, 0, 0, 0x1f, 0, 0, 0};
  const std::vector<uint8_t> masks888 = {0, 0, 0xff, 0, 0, 0xff, 0, 0, 0xff, 0, 0, 0};
  // Run-length data as the tests write it: runs, an absolute run, line ends and a move.
  const std::vector<uint8_t> rle8 = {2, 1, 2, 2, 0, 0, 0, 4, 3, 2, 1, 0, 0, 0, 0, 1};
  const std::vector<uint8_t> rle4 = {4, 0x12, 0, 0, 0, 4, 0x34, 0x56, 0, 2, 1, 0, 0, 1};
  Write(folder, "1bit.bmp", MakeBMP(9, 2, 1, 0, palette, Pattern(8, 1)));
  Write(folder, "1bit-topdown.bmp", MakeBMP(9, -2, 1, 0, palette, Pattern(8, 2)));
  Write(folder, "4bit.bmp", MakeBMP(5, 2, 4, 0, palette, Pattern(8, 3)));
  Write(folder, "8bit.bmp", MakeBMP(3, 3, 8, 0, palette, Pattern(12, 4)));
  Write(folder, "rle8.bmp", MakeBMP(4, 2, 8, 1, palette, rle8));
  Write(folder, "rle4.bmp", MakeBMP(4, 2, 4, 2, palette, rle4));
  Write(folder, "16bit.bmp", MakeBMP(3, 2, 16, 0, {}, Pattern(16, 5)));
  Write(folder, "16bit-555.bmp", MakeBMP(3, 2, 16, 3, {}, Pattern(16, 6), masks555));
  Write(folder, "16bit-565.bmp", MakeBMP(3, -2, 16, 3, {}, Pattern(16, 7), masks565));
  Write(folder, "24bit.bmp", MakeBMP(2, 2, 24, 0, {}, Pattern(16, 8)));
  Write(folder, "32bit.bmp", MakeBMP(2, 2, 32, 0, {}, Pattern(16, 9)));
  Write(folder, "32bit-fields.bmp", MakeBMP(2, -2, 32, 3, {}, Pattern(16, 10), masks888));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT\n", argv[0]);
    return 1;
  }
  const std::filesystem::path out = argv[1];
  WritePNGs(out / "png_decode");
  WriteBMPs(out / "bmp_decode");
  return 0;
}
