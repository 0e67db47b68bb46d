// What the documentation tests share: reading a file whole, the pages that make up the
// documentation (README.md and docs/*.md) and the fenced code blocks of a page.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace DocsTest {

inline const std::filesystem::path kSourceDir = SONABEL_SOURCE_DIR;

// The file's bytes; "" when it cannot be read.
inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

// README.md and every docs/*.md, relative to the source folder, in name order.
inline std::vector<std::filesystem::path> DocumentationPages() {
  std::vector<std::filesystem::path> pages = {"README.md"};
  for (const auto& entry : std::filesystem::directory_iterator(kSourceDir / "docs"))
    if (entry.path().extension() == ".md")
      pages.push_back(std::filesystem::relative(entry.path(), kSourceDir));
  std::sort(pages.begin() + 1, pages.end());
  return pages;
}

// One fenced block: the info word after the opening fence, the text between the fences (each
// line with its line feed), the page line of the opening fence and the file named by a
// "<!-- file: PATH -->" line right above it ("" when there is none).
struct FencedBlock {
  std::string info;
  std::string text;
  int line = 0;
  std::string file;
};

inline std::vector<FencedBlock> FencedBlocks(const std::string& page) {
  std::vector<FencedBlock> blocks;
  std::istringstream in(page);
  std::string line, previous;
  FencedBlock* open = nullptr;
  for (int number = 1; std::getline(in, line); number++) {
    if (open) {
      if (line == "```")
        open = nullptr;
      else
        open->text += line + "\n";
    } else if (line.rfind("```", 0) == 0) {
      FencedBlock block;
      block.info = line.substr(3);
      block.line = number;
      const std::string head = "<!-- file: ", tail = " -->";
      if (previous.rfind(head, 0) == 0 && previous.size() > head.size() + tail.size() &&
          previous.compare(previous.size() - tail.size(), tail.size(), tail) == 0)
        block.file = previous.substr(head.size(), previous.size() - head.size() - tail.size());
      blocks.push_back(block);
      open = &blocks.back();
    }
    previous = line;
  }
  return blocks;
}

}  // namespace DocsTest
