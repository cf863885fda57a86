#include "store/store.h"

namespace kestrix {

namespace {
const StorePoint kZeroPoint{};
}

const StorePoint& Section::point(Group g, int p) const {
  const auto& v = points_[index(g)];
  return (p >= 1 && static_cast<std::size_t>(p) <= v.size()) ? v[p - 1] : kZeroPoint;
}

StorePoint& Section::pointRef(Group g, int p) {
  auto& v = points_[index(g)];
  if (static_cast<std::size_t>(p) > v.size()) v.resize(p);
  return v[p - 1];
}

int Section::append(Group g, const StorePoint& pt) {
  auto& v = points_[index(g)];
  const int n = ++count_[index(g)];
  // The points in use never outnumber the slots: the new one fills a slot
  // kept from before or is the first past them.
  if (static_cast<std::size_t>(n) <= v.size()) {
    v[n - 1] = pt;
    return n;
  }
  // Past 64 points a group grows by a quarter rather than doubling: the
  // points are most of a run's memory, and doubling can leave up to half of
  // a group's slots empty (28 of 128 for a section of a hundred points).
  if (v.size() == v.capacity() && v.size() >= 64) v.reserve(v.size() + v.size() / 4);
  v.push_back(pt);
  return n;
}

void Section::keepFirst(Group g, int n) {
  if (n >= 0 && n <= count_[index(g)]) count_[index(g)] = n;
}

void Section::replaceGroup(Group g, std::span<const StorePoint> points) {
  points_[index(g)].assign(points.begin(), points.end());
  count_[index(g)] = static_cast<int>(points.size());
}

int SectionStore::append() {
  sections_.emplace_back();
  return nxs();
}

void SectionStore::removeLast() {
  if (!sections_.empty()) sections_.pop_back();
}

int SectionStore::findKey(const std::string& key) const {
  auto it = index_.find(key);
  return it == index_.end() ? 0 : it->second;
}

}  // namespace kestrix
