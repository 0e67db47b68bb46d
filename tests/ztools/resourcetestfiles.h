// Test helpers for the resource layer: a temporary folder per test, files written into it, and
// real skin packages made from them with the 7-Zip command-line program.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace ResourceTest {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "sonabel-res-XXXXXX").string();
    if (mkdtemp(pattern.data()))
      path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty())
      std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Text that compresses, with a little variety so that coders have work to do.
inline std::string SampleText(size_t bytes, unsigned seed) {
  std::string text;
  unsigned state = seed * 2654435761u + 1;
  while (text.size() < bytes) {
    state = state * 1103515245u + 12345u;
    text += "line " + std::to_string(state % 1000) + " of the skin\n";
  }
  text.resize(bytes);
  return text;
}

// Bytes that do not compress.
inline std::string NoiseBytes(size_t bytes, unsigned seed) {
  std::string noise(bytes, '\0');
  unsigned state = seed + 7;
  for (char& c : noise) {
    state = state * 1664525u + 1013904223u;
    c = static_cast<char>(state >> 24);
  }
  return noise;
}

// The 7-Zip program of Debian's 7zip package ("7zz"; newer packages also have "7z").
inline const char* SevenZipProgram() {
  static const char* program = std::system("command -v 7zz >/dev/null 2>&1") == 0 ? "7zz" : "7z";
  return program;
}

// Packs every file and folder inside contentFolder into the 7z archive at archivePath with the
// given 7-Zip switches (for example "-m0=LZMA -ms=on"). Fails the test when 7-Zip fails.
inline void MakePackage(const std::filesystem::path& contentFolder, const std::string& archivePath,
                        const std::string& switches) {
  std::string command = "cd '" + contentFolder.string() + "' && LC_ALL=C.UTF-8 " + SevenZipProgram() +
                        " a -t7z -bd -y " + switches + " '" + archivePath + "' * >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

}  // namespace ResourceTest
