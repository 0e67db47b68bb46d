// docs/errors.md explains every numbered message the system gives. Each of its sections holds a
// table whose rows begin "| CODE |"; the codes of a section must be exactly those of the matching
// table in the source, and each row must carry the source's text for its code.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "app/zchannel.h"
#include "zentra/compiler/zclmessages.h"
#include "tests/tools/docs_pages.h"
#include "zilapi.h"
#include "ztools/base/zerror.h"

namespace {

// Code -> the row that documents it, for the table under the heading `title`.
std::map<long, std::string> DocumentedRows(const std::string& page, const std::string& title) {
  std::map<long, std::string> rows;
  std::istringstream in(page);
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("## ", 0) == 0)
      inside = line == "## " + title;
    if (!inside || line.rfind("| ", 0) != 0)
      continue;
    char* end = nullptr;
    const long code = std::strtol(line.c_str() + 2, &end, 10);
    if (end != line.c_str() + 2 && std::string(end).rfind(" |", 0) == 0)
      rows[code] = line;
  }
  return rows;
}

// The codes of `source` (code -> text; an empty text is not checked) against the section's rows.
void ExpectSectionMatches(const std::string& page, const std::string& title,
                          const std::map<long, std::string>& source) {
  const std::map<long, std::string> rows = DocumentedRows(page, title);
  for (const auto& [code, text] : source) {
    auto row = rows.find(code);
    if (row == rows.end()) {
      ADD_FAILURE() << "docs/errors.md, \"" << title << "\": no row for " << code << " (" << text << ")";
      continue;
    }
    if (!text.empty()) {
      EXPECT_NE(row->second.find("| " + text + " |"), std::string::npos)
          << "docs/errors.md, \"" << title << "\": the row of " << code << " does not give its text \"" << text << "\"";
    }
  }
  for (const auto& [code, row] : rows)
    EXPECT_TRUE(source.count(code)) << "docs/errors.md, \"" << title << "\": " << code << " is no longer a code";
}

// The audio engine's error codes, from the #define lines of its header, with the text the player
// shows for each ("" where it only shows the number).
std::map<long, std::string> AudioErrors() {
  std::map<long, std::string> codes;
  std::ifstream header(DocsTest::kSourceDir / "audio/bass.h");
  for (std::string line; std::getline(header, line);) {
    std::istringstream words(line);
    std::string define, name;
    long code = 0;
    if (!(words >> define >> name >> code) || define != "#define" || name.rfind("BASS_ERROR_", 0) != 0)
      continue;
    const std::string text = ZTools::ZBassErrorText(static_cast<int>(code));
    codes[code] = text.rfind("Playing failed", 0) == 0 ? "`" + name + "`" : text;
  }
  return codes;
}

TEST(DocsErrorsTest, ErrorsPageExplainsEveryCodeWithItsText) {
  const std::string page = DocsTest::ReadText(DocsTest::kSourceDir / "docs/errors.md");
  ASSERT_FALSE(page.empty()) << "docs/errors.md is missing";

  std::map<long, std::string> compilerErrors, compilerWarnings;
  for (size_t i = 0; i < ZCLMessageCount(); i++) {
    const ZCLMessageEntry* m = ZCLMessageAt(i);
    (m->level ? compilerWarnings : compilerErrors)[m->code] = m->text;
  }
  ExpectSectionMatches(page, "Compiler errors", compilerErrors);
  ExpectSectionMatches(page, "Compiler warnings", compilerWarnings);

  std::map<long, std::string> runtime;
  for (ZILError code = 0; code < 2000; code++)
    if (std::string(ZILGetExceptionString(code)) != "ZIL UNKNOWN EXCEPTION")
      runtime[code] = ZILGetExceptionString(code);
  ExpectSectionMatches(page, "Runtime errors", runtime);

  std::map<long, std::string> framework;
  for (int32_t code = -1; code >= -2000; code--)
    if (std::string(ZTools::ZErrorText(code)) != "UNDEFINED ERROR CODE")
      framework[code] = ZTools::ZErrorText(code);
  ExpectSectionMatches(page, "Framework and markup errors", framework);

  ExpectSectionMatches(page, "Audio errors", AudioErrors());
}

}  // namespace
