#include <gtest/gtest.h>

#include "gis/identifiers.h"
#include "support/workspace_run.h"

namespace kestrix::testing {
namespace {

int findId(TestWorkspace& t, const std::string& id, bool& found) { return xsFindID(t.ctx, id, found); }

TEST(SectionsIdentifiers, CaseAndQuotesNameOneSectionKeptAsFirstMet) {
  TestWorkspace t;
  bool found = true;
  EXPECT_EQ(findId(t, "xs1", found), 1);
  EXPECT_FALSE(found);
  for (const char* same : {"XS1", "'XS1'", "\"XS1\"", "   XS1  ", "\txs1"}) {
    EXPECT_EQ(findId(t, same, found), 1) << same;
    EXPECT_TRUE(found) << same;
  }
  EXPECT_EQ(t.ctx.store.nxs(), 1);
  EXPECT_EQ(t.ctx.store[1].id, "xs1");
  // Only the first occurrence is reported.
  EXPECT_EQ(t.out(), "Found new cross-section ID: \"xs1\"\n");
}

TEST(SectionsIdentifiers, InteriorBlanksAndOtherExtensionsMakeNewSections) {
  TestWorkspace t;
  bool found = false;
  EXPECT_EQ(findId(t, "XS1", found), 1);
  EXPECT_EQ(findId(t, "XS 1", found), 2);
  EXPECT_FALSE(found);
  EXPECT_EQ(findId(t, "XS1.txt", found), 3);
  EXPECT_FALSE(found);
  EXPECT_EQ(t.ctx.store[2].id, "XS 1");
  EXPECT_EQ(t.ctx.store[3].id, "XS1.txt");
}

TEST(SectionsIdentifiers, CsvExtensionIsDropped) {
  TestWorkspace t;
  bool found = false;
  EXPECT_EQ(findId(t, "  XS12.CSV", found), 1);
  EXPECT_EQ(t.ctx.store[1].id, "XS12");
  EXPECT_EQ(findId(t, "xs12", found), 1);
  EXPECT_TRUE(found);
  EXPECT_EQ(findId(t, "XS12.csv", found), 1);
  EXPECT_TRUE(found);
  EXPECT_EQ(t.out(), "Found new cross-section ID: \"XS12\"\n");
}

TEST(SectionsIdentifiers, BlankIdentifiersEndTheRun) {
  for (const char* blank : {"", "   ", "\t \t", ".csv", "  .CSV"}) {
    TestWorkspace t({""});
    bool found = false;
    EXPECT_EQ(endsRun([&] { findId(t, blank, found); }), kExitFailure) << blank;
    EXPECT_EQ(t.out().rfind("ERROR - Blank cross-section ID found\n", 0), 0u) << t.out();
    EXPECT_EQ(t.ctx.store.nxs(), 0);
  }
}

TEST(SectionsIdentifiers, TabsInsideAreRemovedFromTheStoredIdentifier) {
  TestWorkspace t;
  bool found = false;
  EXPECT_EQ(findId(t, "XS\t7", found), 1);
  EXPECT_EQ(t.ctx.store[1].id, "XS7");
  EXPECT_EQ(findId(t, "XS7", found), 1);
  EXPECT_TRUE(found);
}

TEST(SectionsIdentifiers, MoreIdentifiersThanMxsEndTheRunNamingTheOption) {
  TestWorkspace t({""});
  t.ctx.settings.mxs = 2;
  bool found = false;
  findId(t, "A", found);
  findId(t, "B", found);
  EXPECT_EQ(findId(t, "a", found), 1);  // known identifiers are still found at the limit
  t.console.clearOutput();
  EXPECT_EQ(endsRun([&] { findId(t, "C", found); }), kExitFailure);
  EXPECT_EQ(t.out().rfind("ERROR - ", 0), 0u);
  const std::string first = t.out().substr(0, t.out().find('\n'));
  EXPECT_NE(first.find("2"), std::string::npos) << first;
  EXPECT_NE(first.find("-mxs"), std::string::npos) << first;
  EXPECT_EQ(t.ctx.store.nxs(), 2);
}

}  // namespace
}  // namespace kestrix::testing
