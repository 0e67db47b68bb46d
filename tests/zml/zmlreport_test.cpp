// Tests of the text views used by sonabel-skin: error lines and the object tree.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "zml/zmlreport.h"
#include "zmltestsupport.h"

namespace {

using namespace ZTools;
using ZMLTest::Fixture;

TEST(ZMLReport, ErrorLinesAndTree) {
  Fixture f;
  ASSERT_EQ(f.Parse("<zml><box name='Outer' text='a\nb' pos='1,2'><box/><item value=\"it's\"/></box><item/></zml>"), 0);
  char* buffer = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&buffer, &size);
  ASSERT_NE(out, nullptr);
  ASSERT_TRUE(ZMLWriteTree(*f.host, out));
  std::fclose(out);
  const std::string tree(buffer, size);
  std::free(buffer);
  EXPECT_EQ(tree,
            "box #outer pos='1,2' text='a\\nb'\n"
            "  box #box\n"
            "  item #item value='it\\'s'\n"
            "item\n");

  ASSERT_EQ(f.Parse("<zml>\n  <box nope='1'/></zml>"), kZErrUnknownProperty);
  ASSERT_EQ(f.host->Diagnostics().size(), 1u);
  EXPECT_EQ(std::string(ZMLFormatDiagnostic(f.host->Diagnostics()[0]).CStr()),
            "(anonymous text stream)(2,15): error -1029: Unknown property");
}

}  // namespace
