// Reading ISIS river sections: where sections are taken from, the fixed
// columns of a data line, the bank markers that split the points into the
// three position groups, and the read failures and limits that stop a file.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "converters/isis.h"
#include "support/isis_text.h"
#include "support/workspace_run.h"
#include "support/section_values.h"

namespace kestrix {
namespace {

using testing::endsRun;
using testing::join;
using testing::kHead;
using testing::kTail;
using testing::lines;
using testing::TestWorkspace;
using testing::F;
using testing::offsets;
using testing::P;
using testing::point;
using testing::pointsOf;
using testing::river;

// Reads one file of the given lines into a fresh run.
struct Read {
  explicit Read(const std::vector<std::string>& fileLines, const std::string& name = "model.dat") {
    t.fs.add(name, lines(fileLines));
    status = endsRun([&] { isisReadSections(t.ctx, name); });
  }
  TestWorkspace t;
  int status = -1;
  int nxs() const { return t.ctx.store.nxs(); }
  const Section& sec(int s) const { return t.ctx.store[s]; }
};

TEST(IsisRead, SectionsOnlyBetweenEndGeneralAndGisinfo) {
  const auto sec = river("XS1", {point(0, 5, 0.03), point(1, 4, 0.03)});
  Read none(join({{"title"}, sec, sec}));
  EXPECT_EQ(none.nxs(), 0);
  EXPECT_FALSE(none.t.ctx.tally.errFound);

  Read some(join({{"title"}, river("BEFORE", {point(0, 1, 0.03)}), {"end general"},
                  river("INSIDE", {point(0, 1, 0.03, "", 5.0, 6.0)}), {"GISINFO"}, river("AFTER", {point(0, 1, 0.03)})}));
  ASSERT_EQ(some.nxs(), 1);
  EXPECT_EQ(some.sec(1).id, "INSIDE");
  EXPECT_EQ(some.t.out(),
            "\nReading Cross-Section Data from model.dat...\n\nTrying to open file model.dat...OK.\n"
            "Opened File Unit:1001\n...Closed File Unit:1001\n");
}

TEST(IsisRead, KeywordMustStartColumnOneAndBeFollowedBySection) {
  const std::vector<std::string> pts = {point(0, 1, 0.03)};
  Read r(join({kHead,
               river("LOWER", pts, "river"),
               river("BLANKED", pts, " RIVER"),
               river("CES", pts, "RIVER #revision#1", "CES SECTION"),
               river("MUSK", pts, "RIVER", "MUSKINGUM"),
               {"COMMENT", "         2", "River flows under building at scrap yard", "more text"},
               // a RIVER line without SECTION after it: the next line is examined as usual
               {"RIVER"},
               river("TEXT", pts, "RIVER (Culvert Exit) CH:7932", "SECTION   Open Channel - Looking Downstream"),
               kTail}));
  ASSERT_EQ(r.nxs(), 2);
  EXPECT_FALSE(r.t.ctx.tally.errFound);
  EXPECT_EQ(r.sec(1).id, "LOWER");
  EXPECT_EQ(r.sec(1).source[1], "river");
  EXPECT_EQ(r.sec(2).id, "TEXT");
  EXPECT_EQ(r.sec(2).source[0], "model");
  EXPECT_EQ(r.sec(2).source[1], "RIVER (Culvert Exit) CH:7932");
  EXPECT_EQ(r.sec(2).source[2], "SECTION   Open Channel - Looking Downstream");
}

TEST(IsisRead, FixedColumnsAndShortLines) {
  Read r(join({kHead,
               river("PACKED   ", {"     7.600    12.920     0.028*    0.000          385063.200242674.700          0",
                                   "    -5.000     2.700     0.030     1.0000         -35833.0166697730.04",
                                   "     9.000    12.820     0.028     0.000",
                                   "        12         3",
                                   "1.5e1     1.2E+00        .035"}),
               kTail}));
  ASSERT_EQ(r.nxs(), 1);
  const Section& s = r.sec(1);
  EXPECT_EQ(s.id, "PACKED");
  EXPECT_EQ(s.ptCount(Group::kLeft), 0);
  EXPECT_EQ(s.ptCount(Group::kRight), 0);
  EXPECT_EQ(pointsOf(s, Group::kCentre), (std::vector<P>{
                                             {7.6f, 12.92f, 0.028f, 385063.2, 242674.7},
                                             // The number in 32-41 runs into the marker field: the marker reads "0".
                                             {-5.0f, 2.7f, 0.03f, -35833.016, 6697730.04},
                                             // A line that stops before column 51 has no plan position.
                                             {9.0f, 12.82f, 0.028f},
                                             // Whole numbers without a point, and a line of two fields.
                                             {12.0f, 3.0f, 0.0f},
                                             // Numbers anywhere in their columns, with exponents.
                                             {15.0f, 1.2f, 0.035f},
                                         }));
}

TEST(IsisRead, BankMarkersSplitTheGroups) {
  // LEFT on the first line, RIGHT on the last: L empty, R holds one point.
  Read edge(join({kHead,
                  river("EDGE", {point(0, 9, 0.03, "LEFT", 100, 200), point(1, 8, 0.03), point(2, 7, 0.03),
                                 point(3, 9, 0.04, "RIGHT", 103, 203)}),
                  kTail}));
  ASSERT_EQ(edge.nxs(), 1);
  const Section& e = edge.sec(1);
  EXPECT_EQ(e.ptCount(Group::kLeft), 0);
  EXPECT_EQ(pointsOf(e, Group::kCentre), (std::vector<P>{{0, 9, 0.03f, 100, 200}, {1, 8, 0.03f}, {2, 7, 0.03f}}));
  EXPECT_EQ(pointsOf(e, Group::kRight), (std::vector<P>{{3, 9, 0.04f, 103, 203}}));

  // Lower-case and joined words count; a field with both words counts as LEFT only.
  Read inner(join({kHead,
                   river("INNER", {point(0, 9, 0.03), point(1, 8, 0.03, "leftbank"), point(2, 7, 0.03),
                                   point(3, 8, 0.03, "LEFT RIGHT"), point(4, 6, 0.03),
                                   point(5, 8, 0.03, " Right Bnk"), point(6, 9, 0.03)}),
                   kTail}));
  const Section& i = inner.sec(1);
  // The second LEFT closes group L again with the points since the first marker.
  EXPECT_EQ(offsets(i, Group::kLeft), (F{1, 2}));
  EXPECT_EQ(offsets(i, Group::kCentre), (F{3, 4}));
  EXPECT_EQ(offsets(i, Group::kRight), (F{5, 6}));

  // BED and other words are not markers; a marker outside columns 41-50 does not count.
  Read plain(join({kHead,
                   river("PLAIN", {point(0, 9, 0.03, "BED"), point(1, 8, 0.03) + "LEFT", point(2, 7, 0.03)}),
                   kTail}));
  EXPECT_EQ(plain.sec(1).ptCount(Group::kLeft), 0);
  EXPECT_EQ(plain.sec(1).ptCount(Group::kCentre), 3);
  EXPECT_EQ(plain.sec(1).ptCount(Group::kRight), 0);
}

TEST(IsisRead, SameLabelTwiceGivesTwoSections) {
  Read r(join({kHead, river("DUP", {point(0, 1, 0.03)}), river("DUP", {point(0, 2, 0.03), point(1, 3, 0.03)}),
               kTail}));
  ASSERT_EQ(r.nxs(), 2);
  EXPECT_EQ(r.sec(1).id, "DUP");
  EXPECT_EQ(r.sec(2).id, "DUP");
  EXPECT_EQ(r.sec(1).ptCount(Group::kCentre), 1);
  EXPECT_EQ(r.sec(2).ptCount(Group::kCentre), 2);
}

TEST(IsisRead, ReadFailuresStopTheFileButNotTheRun) {
  const char* kError = "ERROR - End of File encountered reading from ISIS file\n...Closed File Unit:1001\n";
  auto good = join({kHead, river("GOOD", {point(0, 1, 0.03)}), kTail});

  auto badCount = join({kHead, river("FIRST", {point(0, 1, 0.03)}),
                        {"RIVER", "SECTION", "BROKEN", "    10.000", "  many", point(0, 1, 0.03)},
                        river("LATER", {point(0, 1, 0.03)}), kTail});
  auto endsInside = join({kHead, {"RIVER", "SECTION", "CUT", "    10.000", "         3", point(0, 1, 0.03)}});
  auto badField = join({kHead, river("FIELD", {point(0, 1, 0.03), "     1.0x0     2.000     0.030"}), kTail});

  for (const auto& bad : {badCount, endsInside, badField}) {
    TestWorkspace t;
    t.fs.add("a.dat", lines(bad));
    t.fs.add("b.dat", lines(good));
    EXPECT_EQ(endsRun([&] { isisReadSections(t.ctx, "a.dat"); }), -1);
    EXPECT_TRUE(t.ctx.tally.errFound);
    EXPECT_NE(t.out().find(kError), std::string::npos) << t.out();
    const int before = t.ctx.store.nxs();
    // The file was closed: the next file opens on the same unit and is read.
    EXPECT_EQ(endsRun([&] { isisReadSections(t.ctx, "b.dat"); }), -1);
    ASSERT_EQ(t.ctx.store.nxs(), before + 1);
    EXPECT_EQ(t.ctx.store[before + 1].id, "GOOD");
    EXPECT_TRUE(t.ctx.tally.errFound);
    EXPECT_NE(t.out().find("Trying to open file b.dat...OK.\nOpened File Unit:1001\n"), std::string::npos);
  }
}

TEST(IsisRead, LimitsEndTheRunNamingTheirOption) {
  {
    Read ok(join({kHead, river("A", {point(0, 1, 0.03)}), kTail}));
    EXPECT_EQ(ok.status, -1);
  }
  {
    TestWorkspace t;
    t.ctx.settings.mxs = 1;
    t.fs.add("m.dat", lines(join({kHead, river("A", {point(0, 1, 0.03)}), river("B", {point(0, 1, 0.03)})})));
    EXPECT_EQ(endsRun([&] { isisReadSections(t.ctx, "m.dat"); }), 1);
    EXPECT_TRUE(t.ctx.tally.errFound);
    EXPECT_EQ(t.ctx.store.nxs(), 1);
    EXPECT_NE(t.out().find("\nERROR - More than 1 cross-sections: raise the maximum number of cross-sections with -mxs\n"),
              std::string::npos)
        << t.out();
  }
  // Two points per group: a LEFT on the third line still fits group L, three C points do not.
  {
    TestWorkspace t;
    t.ctx.settings.mpt = 2;
    t.fs.add("fits.dat", lines(join({kHead,
                                     river("FITS", {point(0, 1, 0.03), point(1, 1, 0.03), point(2, 1, 0.03, "LEFT"),
                                                    point(3, 1, 0.03, "RIGHT"), point(4, 1, 0.03)}),
                                     kTail})));
    EXPECT_EQ(endsRun([&] { isisReadSections(t.ctx, "fits.dat"); }), -1);
    EXPECT_EQ(t.ctx.store[1].ptCount(Group::kLeft), 2);
    EXPECT_EQ(t.ctx.store[1].ptCount(Group::kCentre), 1);
    EXPECT_EQ(t.ctx.store[1].ptCount(Group::kRight), 2);
  }
  for (const std::vector<std::string>& data :
       {std::vector<std::string>{point(0, 1, 0.03), point(1, 1, 0.03), point(2, 1, 0.03)},
        std::vector<std::string>{point(0, 1, 0.03), point(1, 1, 0.03), point(2, 1, 0.03), point(3, 1, 0.03),
                                 point(4, 1, 0.03, "LEFT")}}) {
    TestWorkspace t;
    t.ctx.settings.mpt = 2;
    t.fs.add("p.dat", lines(join({kHead, river("BIG", data), kTail})));
    EXPECT_EQ(endsRun([&] { isisReadSections(t.ctx, "p.dat"); }), 1);
    EXPECT_TRUE(t.ctx.tally.errFound);
    EXPECT_NE(t.out().find("\nERROR - More than 2 points in one position group of cross-section BIG: raise the "
                           "maximum number of points with -mpt\n"),
              std::string::npos)
        << t.out();
  }
}

}  // namespace
}  // namespace kestrix
