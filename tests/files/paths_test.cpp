#include "files/paths.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrix {
namespace {

TEST(PathsSplit, Extension) {
  EXPECT_EQ(FILEEXT(R"(C:\Model\Reach1.MIF)"), ".mif");
  EXPECT_EQ(FILEEXT("a.Mif"), FILEEXT("b.mif"));
  EXPECT_EQ(FILEEXT(R"(C:\Run.A\Reach)"), "");
  EXPECT_EQ(FILEEXT("Data.v1/Reach"), "");
  EXPECT_EQ(FILEEXT("Reach."), ".");
  EXPECT_EQ(FILEEXT("Reach.mif   "), ".mif");
  EXPECT_EQ(FILEEXT("Reach"), "");
}

TEST(PathsSplit, NameAndFolder) {
  EXPECT_EQ(FILENAMEPATH(R"(C:\Model\Reach1.mif)"), R"(C:\Model\Reach1)");
  EXPECT_EQ(FILENAMEPATH(R"(C:\Run.A\Reach)"), R"(C:\Run.A\Reach)");
  EXPECT_EQ(FILENAMEPATH(R"(C:\a\.cfg)"), R"(C:\a\)");
  EXPECT_EQ(FILENAMEPATH(".cfg"), ".cfg");  // a dot in the first column is no extension
  EXPECT_EQ(FILEFOLDERPATH(R"(C:\Model\Reach1.mif)"), R"(C:\Model\)");
  EXPECT_EQ(FILEFOLDERPATH("Reach1.mif"), "");
  EXPECT_EQ(FILEFOLDERPATH("Data/Reach1.mif"), "Data/");
}

TEST(PathsJoin, AddFolder) {
  EXPECT_EQ(ADDFOLDER(R"(.\out)", "1d_xs"), R"(.\out\1d_xs)");
  EXPECT_EQ(ADDFOLDER("out", R"(C:\x.mif)"), R"(C:\x.mif)");
  EXPECT_EQ(ADDFOLDER("out", R"(\\srv\x.mif)"), R"(\\srv\x.mif)");
  EXPECT_EQ(ADDFOLDER("", ""), ".");
  EXPECT_EQ(ADDFOLDER("  C:\\out  ", "   "), R"(C:\out)");
  EXPECT_EQ(ADDFOLDER("", " x.csv"), "x.csv");
  EXPECT_EQ(ADDFOLDER(R"(C:\Data\)", "x.csv"), R"(C:\Data\x.csv)");
  EXPECT_EQ(ADDFOLDER("C:/d/", "x"), "C:/d/x");
  EXPECT_EQ(ADDFOLDER(R"(C:\Data)", " x.csv "), R"(C:\Data\x.csv)");
  EXPECT_EQ(ADDFOLDER(R"(C:\Data)", R"(\x.csv)"), R"(C:\Data\x.csv)");  // the doubled backslash collapses
  EXPECT_EQ(ADDFOLDER(R"(C:\a\b)", R"(..\x.csv)"), R"(C:\a\x.csv)");
  // The joined path is cut to 1000 characters.
  EXPECT_EQ(ADDFOLDER(std::string(995, 'a'), "bcdefghij"), std::string(995, 'a') + "\\bcde");
}

TEST(PathsNormalise, RemoveDotDot) {
  EXPECT_EQ(REMOVEDOTDOT(R"(a\b\..\c)"), R"(a\c)");
  EXPECT_EQ(REMOVEDOTDOT(R"(C:\a\..\b)"), R"(C:\b)");
  EXPECT_EQ(REMOVEDOTDOT(R"(a\b\..\..\..\c)"), R"(..\c)");
  EXPECT_EQ(REMOVEDOTDOT(R"(..\..\a\..\b)"), R"(..\..\b)");
  EXPECT_EQ(REMOVEDOTDOT(R"(a\.\b)"), R"(a\b)");
  EXPECT_EQ(REMOVEDOTDOT(R"(a\.\.\b)"), R"(a\b)");
  EXPECT_EQ(REMOVEDOTDOT(R"(C:\Data\\Model)"), R"(C:\Data\Model)");
  EXPECT_EQ(REMOVEDOTDOT(R"(C:\..\b)"), "b");
  EXPECT_EQ(REMOVEDOTDOT(R"(\\server\a\..\b)"), R"(\\server\b)");
  EXPECT_EQ(REMOVEDOTDOT(R"(\..\a)"), R"(\..\a)");
  EXPECT_EQ(REMOVEDOTDOT(R"(x\\y\\z)"), R"(x\\y\\z)");  // the first pair at column 2 stops the collapse
  EXPECT_EQ(REMOVEDOTDOT("a/b/../c"), "a/b/../c");
  EXPECT_EQ(REMOVEDOTDOT("  a\\b\\..\\c  "), R"(a\c)");
  EXPECT_EQ(REMOVEDOTDOT(std::string(1001, 'a')), std::string(1000, 'a'));
}

TEST(PathsNormalise, CleanPath) {
  std::string unc = R"(\\server\share\\x)";
  EXPECT_EQ(CLEANPATH(unc), R"(\\server\share\\x)");
  std::string mixed = R"(C:\\a//b)";
  EXPECT_EQ(CLEANPATH(mixed), R"(C:\a/b)");
  EXPECT_EQ(mixed, R"(C:\a/b)");  // the argument is rewritten too
  std::string padded = "  C:\\a\\\\\\b  ";
  EXPECT_EQ(CLEANPATH(padded), R"(C:\a\b)");
  EXPECT_EQ(padded, R"(C:\a\b)");
  std::string otherKind = R"(\\srv//x//y\\z)";
  EXPECT_EQ(CLEANPATH(otherKind), R"(\\srv/x/y\\z)");
}

}  // namespace
}  // namespace kestrix
