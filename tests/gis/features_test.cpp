// The GIS readers take their features from any source: a list of features
// held in memory stands in for a layer of another format.

#include <gtest/gtest.h>

#include <utility>

#include "gis/identifiers.h"
#include "point_run.h"
#include "support/layer_text.h"
#include "gis/layers.h"

namespace kestrix::testing {
namespace {

// Attribute values given as a list; an empty text is a null value.
class ListValues final : public AttributeValues {
 public:
  explicit ListValues(std::vector<std::string> values) : values_(std::move(values)) {}
  bool readFloat(float& value) override {
    if (next_ >= values_.size()) return false;
    null_ = values_[next_].empty();
    if (!null_) value = std::stof(values_[next_]);
    ++next_;
    return true;
  }
  bool readText(std::string& value, std::size_t maxLength) override {
    if (next_ >= values_.size()) return false;
    null_ = values_[next_].empty();
    if (!null_) value = values_[next_].substr(0, maxLength);
    ++next_;
    return true;
  }
  bool lastWasNull() const override { return null_; }

 private:
  std::vector<std::string> values_;
  std::size_t next_ = 0;
  bool null_ = false;
};

struct ListFeature {
  FeatureKind kind;
  std::vector<std::pair<double, double>> vertices;
  std::vector<std::string> values;
};

// A layer held as a list of features, which records what the reader asked of it.
class ListSource final : public FeatureSource {
 public:
  explicit ListSource(std::vector<ListFeature> features, FeatureStatus last = FeatureStatus::End)
      : features_(std::move(features)), last_(last) {}
  bool open(const std::string& layer) override {
    opened = layer;
    return true;
  }
  std::string recordsName() override { return "list"; }
  FeatureStatus next(FeatureKind withGeometry, Feature& feature) override {
    if (next_ >= features_.size()) return last_;
    const ListFeature& f = features_[next_++];
    feature.kind = f.kind;
    feature.nodes = 0;
    feature.x.clear();
    feature.y.clear();
    if (f.kind == withGeometry) {
      for (const auto& [x, y] : f.vertices) {
        feature.x.push_back(x);
        feature.y.push_back(y);
      }
      feature.nodes = static_cast<int>(f.vertices.size());
    }
    values_.emplace(f.values);
    feature.values = &*values_;
    return FeatureStatus::Read;
  }
  void close() override { ++closes; }

  std::string opened;
  int closes = 0;

 private:
  std::vector<ListFeature> features_;
  FeatureStatus last_;
  std::size_t next_ = 0;
  std::optional<ListValues> values_;
};

TEST(GisFeatures, PointsAndLinesComeFromAnySource) {
  TestPoints t;
  t.ctx.settings.mnrType = ResistanceType::Manning;
  ListSource points({{FeatureKind::Point, {{1, 2}}, {"1.5", "0.03", "L", "XS1"}},
                     {FeatureKind::Line, {{0, 0}, {5, 5}}, {"XS1"}},
                     {FeatureKind::Point, {{3, 4}}, {"2", "", "R", "XS1"}}});
  xsReadPoints(t.ctx, t.ctx.gis, points, "memory");
  EXPECT_EQ(points.opened, "memory");
  EXPECT_EQ(points.closes, 1);
  ASSERT_EQ(t.ctx.store.nxs(), 1);
  const Section& s = t.ctx.store[1];
  ASSERT_EQ(s.ptCount(Group::kLeft), 1);
  ASSERT_EQ(s.ptCount(Group::kRight), 1);
  EXPECT_EQ(s.point(Group::kRight, 1).mapX, 3.0);
  EXPECT_EQ(s.point(Group::kRight, 1).mnr, 0.03f);  // the null MNR keeps the previous record's
  EXPECT_TRUE(t.ctx.tally.linesFound);
  EXPECT_TRUE(hasLine(t.out(), "Reading Cross-Section Points from memory..."));
  EXPECT_TRUE(hasLine(t.out(), "WARNING - Record 3 of \"list\" has no value for MNR: the previous point record's "
                               "values are used (MNR 0.03)"))
      << t.out();

  ListSource lines({{FeatureKind::Point, {{9, 9}}, {"1", "0.03", "C", "XS1"}},
                    {FeatureKind::Line, {{7, 8}, {5, 5}}, {"xs1"}}});
  xsReadLines(t.ctx, lines, "memory");
  ASSERT_TRUE(t.ctx.store[1].start.has_value());
  EXPECT_EQ(t.ctx.store[1].start->x, 7.0);
  EXPECT_EQ(t.ctx.store[1].start->y, 8.0);
  EXPECT_EQ(lines.closes, 1);
}

TEST(GisFeatures, ASourceThatFailsStopsTheReaderWithItsMessage) {
  TestPoints t;
  ListSource noRecord({{FeatureKind::Point, {{1, 2}}, {"1", "0.03", "L", "XS1"}}}, FeatureStatus::NoRecord);
  xsReadPoints(t.ctx, t.ctx.gis, noRecord, "memory");
  EXPECT_TRUE(hasLine(t.out(), "ERROR - End of File encountered reading points")) << t.out();
  EXPECT_TRUE(t.ctx.tally.errFound);
  EXPECT_EQ(noRecord.closes, 0);

  t.ctx.tally.errFound = false;
  ListSource broken({}, FeatureStatus::LayerError);
  xsReadLines(t.ctx, broken, "memory");
  EXPECT_TRUE(hasLine(t.out(), "ERROR - Reading line data")) << t.out();
  EXPECT_TRUE(t.ctx.tally.errFound);
}

TEST(GisFeatures, TheMifSourceGivesGeometryOnlyForTheKindAskedFor) {
  TestWorkspace t;
  LayerBuilder()
      .point(1, 2, "1,0.03,L,XS1")
      .pline({{10, 20}, {30, 40}, {50, 60}}, "XS1")
      .mifText("Region 1\r\n  1\r\n0 0\r\n")
      .withRow("XS1")
      .addTo(t.fs, "layer");
  MifFeatureSource source(t.ctx, 1000, 1000);
  ASSERT_TRUE(source.open("layer"));
  Feature f;
  ASSERT_EQ(source.next(FeatureKind::Line, f), FeatureStatus::Read);
  EXPECT_EQ(f.kind, FeatureKind::Point);
  EXPECT_EQ(f.nodes, 0);
  ASSERT_EQ(source.next(FeatureKind::Line, f), FeatureStatus::Read);
  EXPECT_EQ(f.kind, FeatureKind::Line);
  ASSERT_EQ(f.nodes, 3);
  EXPECT_EQ(f.x[2], 50.0);
  std::string id;
  EXPECT_TRUE(f.values->readText(id, 20));
  EXPECT_EQ(id, "XS1");
  ASSERT_EQ(source.next(FeatureKind::Line, f), FeatureStatus::Read);
  EXPECT_EQ(f.kind, FeatureKind::Other);
  EXPECT_EQ(source.next(FeatureKind::Line, f), FeatureStatus::End);
  source.close();
}

// Only the first `lineWidth` characters of an object keyword line are read;
// the lines that follow it (coordinates on a line of their own, polyline
// vertices) are read whole.
TEST(GisFeatures, TheMifSourceCutsKeywordLinesToItsWidth) {
  TestWorkspace t;
  LayerBuilder()
      .mifText("Point 1 2345678\r\n")
      .withRow("1,0.03,C,XS1")
      .mifText("Point\r\n  123456.5   7654321.25\r\n")
      .withRow("1,0.03,C,XS1")
      .mifText("Pline 2\r\n100000.125 200000.5\r\n300000.25 400000.75\r\n")
      .withRow("XS1")
      .addTo(t.fs, "layer");
  MifFeatureSource source(t.ctx, 12, 1000);
  ASSERT_TRUE(source.open("layer"));
  Feature f;
  ASSERT_EQ(source.next(FeatureKind::Point, f), FeatureStatus::Read);
  EXPECT_EQ(f.x[0], 1.0);
  EXPECT_EQ(f.y[0], 2345.0);  // "Point 1 2345" is what the width keeps
  ASSERT_EQ(source.next(FeatureKind::Point, f), FeatureStatus::Read);
  EXPECT_EQ(f.x[0], 123456.5);
  EXPECT_EQ(f.y[0], 7654321.25);
  ASSERT_EQ(source.next(FeatureKind::Line, f), FeatureStatus::Read);
  ASSERT_EQ(f.nodes, 2);
  EXPECT_EQ(f.x[1], 300000.25);
  EXPECT_EQ(f.y[1], 400000.75);
  EXPECT_EQ(source.next(FeatureKind::Line, f), FeatureStatus::End);
  source.close();
}

}  // namespace
}  // namespace kestrix::testing
