// The examples the documentation shows are programs that run. Each examples/*/NAME.expected is a
// transcript: "$ command" lines and what they print (standard output and standard error
// together), replayed from the source folder with the built programs first on PATH. Every block
// a page marks with "<!-- file: PATH -->" must equal that file, every example file must be shown
// on some page, and every ZentraScript program on a page must be such an example.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "tests/tools/docs_pages.h"

namespace {

namespace fs = std::filesystem;
using DocsTest::kSourceDir;
using DocsTest::ReadText;

// The folders whose every file a page shows; examples/radio.zc needs a station and is run by the
// zentra audio test instead.
const char* const kExampleFolders[] = {"examples/tour", "examples/language", "examples/embedding", "examples/binding"};

std::string Quoted(const std::string& text) {
  std::string q = "'";
  for (char c : text)
    q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

struct Transcript {
  std::string commands;  // one per line
  std::string output;
};

Transcript ReadTranscript(const std::string& text) {
  Transcript t;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("$ ", 0) == 0)
      t.commands += line.substr(2) + "\n";
    else
      t.output += line + "\n";
  }
  return t;
}

// The instruction address in a machine exception line depends on how the optimizer laid out the
// code; the transcript shows one, the comparison skips it.
std::string WithoutFaultAddress(std::string text) {
  const std::string at = "EXCEPTION AT ";
  for (size_t p = text.find(at); p != std::string::npos; p = text.find(at, p + 1)) {
    size_t digits = p + at.size(), end = digits;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9')
      end++;
    if (end > digits)
      text.replace(digits, end - digits, "pc");
  }
  return text;
}

// Runs the commands in one shell from the source folder; standard output and standard error go
// to one file in the order the programs write them.
std::string RunCommands(const std::string& commands) {
  char pattern[] = "/tmp/docs_examples_XXXXXX";
  if (!mkdtemp(pattern))
    return "mkdtemp failed";
  const fs::path dir = pattern, script = dir / "commands.sh", out = dir / "out";
  std::ofstream(script) << commands;
  const std::string command = "cd " + Quoted(kSourceDir) + " && PATH=" + Quoted(SONABEL_BINARY_DIR) + ":\"$PATH\" sh " +
                              Quoted(script) + " </dev/null >" + Quoted(out) + " 2>&1";
  std::string text = std::system(command.c_str()) == -1 ? "the shell could not be started" : ReadText(out);
  fs::remove_all(dir);
  return text;
}

std::vector<fs::path> ExampleFiles() {
  std::vector<fs::path> files;
  for (const char* folder : kExampleFolders)
    for (const auto& entry : fs::recursive_directory_iterator(kSourceDir / folder))
      if (entry.is_regular_file())
        files.push_back(fs::relative(entry.path(), kSourceDir));
  std::sort(files.begin(), files.end());
  return files;
}

TEST(DocsExamplesTest, EveryTranscriptPrintsWhatItShows) {
  int transcripts = 0;
  for (const fs::path& file : ExampleFiles()) {
    if (file.extension() != ".expected")
      continue;
    transcripts++;
    const Transcript t = ReadTranscript(ReadText(kSourceDir / file));
    ASSERT_FALSE(t.commands.empty()) << file << " has no \"$ command\" line";
    EXPECT_EQ(WithoutFaultAddress(RunCommands(t.commands)), WithoutFaultAddress(t.output))
        << file << ": the commands print something else; update the transcript and the page that shows it";
  }
  EXPECT_GT(transcripts, 0) << "no transcripts found under examples/";
}

TEST(DocsExamplesTest, EveryMarkedBlockEqualsItsFileAndEveryExampleIsShown) {
  std::set<std::string> shown;
  for (const fs::path& page : DocsTest::DocumentationPages()) {
    for (const DocsTest::FencedBlock& block : DocsTest::FencedBlocks(ReadText(kSourceDir / page))) {
      const std::string where = page.string() + ":" + std::to_string(block.line);
      if (block.file.empty()) {
        // A whole program must come from an example, so that it is run.
        EXPECT_FALSE(block.info == "zentra" && block.text.find(" main(") != std::string::npos)
            << where << ": a program without a \"<!-- file: examples/... -->\" line above it";
        continue;
      }
      ASSERT_TRUE(fs::exists(kSourceDir / block.file)) << where << ": " << block.file << " does not exist";
      EXPECT_EQ(block.text, ReadText(kSourceDir / block.file)) << where << " differs from " << block.file;
      shown.insert(block.file);
    }
  }
  for (const fs::path& file : ExampleFiles())
    EXPECT_TRUE(shown.count(file.string())) << file << " is shown on no page";
}

}  // namespace
