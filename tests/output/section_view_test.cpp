// The view the section sinks format: what each mode makes of the same store.

#include "output/section_view.h"

#include <gtest/gtest.h>

#include "support/workspace_run.h"

namespace kestrix {
namespace {

using testing::TestWorkspace;

void add(Section& sec, Group g, float x, float z, double mapX) { sec.append(g, StorePoint{mapX, 0.0, x, z, 0.0f}); }

// Two left, two centre, one right point; the lowest centre point is the second.
Section& filled(TestWorkspace& t, const std::string& id) {
  const int s = t.ctx.store.append();
  Section& sec = t.ctx.store[s];
  sec.id = id;
  add(sec, Group::kLeft, 0.0f, 5.0f, 1.0);
  add(sec, Group::kLeft, 2.0f, 4.0f, 2.0);
  add(sec, Group::kCentre, 1.0f, 3.0f, 3.0);
  add(sec, Group::kCentre, 3.0f, 1.0f, 4.0);
  add(sec, Group::kRight, 0.5f, 6.0f, 5.0);
  return sec;
}

TEST(SectionView, GisWithoutLinesChainsTheGroupsAndDrawsEveryDrawnGroup) {
  TestWorkspace t;
  t.ctx.settings.mode = RunMode::Gis;
  t.ctx.settings.outFolder = "out/";
  filled(t, "XS 1  ");
  t.ctx.store[t.ctx.store.append()].use = false;
  const SectionsView view = viewSections(t.ctx);
  ASSERT_EQ(view.sections.size(), 1u);
  SectionView v = view.sections[0];
  EXPECT_TRUE(v.rows.empty());  // the points come section by section
  viewPoints(t.ctx.store[v.section], pointRules(t.ctx.settings, t.ctx.tally), v);
  EXPECT_EQ(v.id, "XS 1");
  EXPECT_EQ(v.csvPath, "out/XS_1.csv");
  EXPECT_EQ(v.source, v.csvPath);
  ASSERT_EQ(v.rows.size(), 5u);
  EXPECT_EQ(v.rows[2].x, 3.0f);  // centre measured from the last left point (2)
  EXPECT_EQ(v.rows[4].x, 5.5f);  // right measured from the last left and centre points (2 + 3)
  EXPECT_EQ(v.rows[4].group, Group::kRight);
  // The single right point is neither drawn nor listed; the left and centre groups are.
  EXPECT_EQ(v.lineX, (std::vector<double>{1.0, 2.0, 3.0, 4.0}));
  EXPECT_EQ(v.points.size(), 4u);
  ASSERT_TRUE(v.bed.has_value());
  EXPECT_EQ(v.bed->mapX, 4.0);
  EXPECT_EQ(v.bed->z, 1.0f);
  EXPECT_FALSE(view.pointLayersStayOpen);
  EXPECT_EQ(view.sourceWidth, 50u);
}

TEST(SectionView, Mike11TrimsToTheCentreAndMarksTheCrossingPoint) {
  TestWorkspace t;
  t.ctx.settings.mode = RunMode::Mike11;
  t.ctx.settings.optTrim = true;
  t.ctx.settings.mnrType = ResistanceType::Material;
  filled(t, "B1");
  const SectionsView view = viewSections(t.ctx);
  SectionView v = view.sections[0];
  viewPoints(t.ctx.store[v.section], pointRules(t.ctx.settings, t.ctx.tally), v);
  ASSERT_EQ(v.rows.size(), 2u);
  EXPECT_EQ(v.rows[0].x, 1.0f);  // offsets as stored: no chaining outside GIS mode
  // The line runs through point 1 of each group; the bed sits at the first centre point at the lowest level.
  EXPECT_EQ(v.lineX, (std::vector<double>{1.0, 3.0, 5.0}));
  ASSERT_TRUE(v.bed.has_value());
  EXPECT_EQ(v.bed->mapX, 3.0);
  EXPECT_EQ(v.bed->z, 1.0f);
  EXPECT_TRUE(v.points.empty());
  EXPECT_TRUE(view.pointLayersStayOpen);
  EXPECT_EQ(view.style, Resistance::Material1000);
}

TEST(SectionView, AnInconsistentStoreStopsAfterTheRowsBeforeIt) {
  TestWorkspace t;
  t.ctx.settings.mode = RunMode::Gis;
  const int s = t.ctx.store.append();
  t.ctx.store[s].id = "X";
  add(t.ctx.store[s], Group::kCentre, 1.0f, 1.0f, 0.0);
  SectionView v = viewSections(t.ctx).sections[0];
  viewPoints(t.ctx.store[v.section], pointRules(t.ctx.settings, t.ctx.tally), v);
  EXPECT_TRUE(v.rows.empty());
  EXPECT_EQ(v.stopMessage, "should not be here - AAA");
  // One centre point draws no line.
  EXPECT_TRUE(v.lineX.empty());
}

TEST(SectionView, OneBufferServesSectionAfterSectionWithNothingLeftOver) {
  TestWorkspace t;
  t.ctx.settings.mode = RunMode::Gis;
  filled(t, "FULL");
  const int s = t.ctx.store.append();
  t.ctx.store[s].id = "EMPTY";
  add(t.ctx.store[s], Group::kLeft, 0.0f, 7.0f, 9.0);
  const SectionsView view = viewSections(t.ctx);
  ASSERT_EQ(view.sections.size(), 2u);
  SectionView v = view.sections[0];
  viewPoints(t.ctx.store[v.section], pointRules(t.ctx.settings, t.ctx.tally), v);
  ASSERT_TRUE(v.bed.has_value());
  v.section = view.sections[1].section;
  viewPoints(t.ctx.store[v.section], pointRules(t.ctx.settings, t.ctx.tally), v);
  // The second section has one left point: one row, no bed, no drawn group, and none of the first section's points.
  ASSERT_EQ(v.rows.size(), 1u);
  EXPECT_EQ(v.rows[0].z, 7.0f);
  EXPECT_FALSE(v.bed.has_value());
  EXPECT_TRUE(v.points.empty());
  EXPECT_TRUE(v.lineX.empty());
  EXPECT_TRUE(v.guideX.empty());
}

}  // namespace
}  // namespace kestrix
