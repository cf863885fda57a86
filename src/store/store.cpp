#include "store/store.h"

namespace kestrix {

namespace {
const StorePoint kZeroPoint{};
}

const StorePoint& Section::point(int g, int p) const {
  const auto& v = points_[g - 1];
  return (p >= 1 && static_cast<std::size_t>(p) <= v.size()) ? v[p - 1] : kZeroPoint;
}

StorePoint& Section::pointRef(int g, int p) {
  auto& v = points_[g - 1];
  if (static_cast<std::size_t>(p) > v.size()) v.resize(p);
  return v[p - 1];
}

int Section::append(int g, const StorePoint& pt) {
  int n = ++count[g - 1];
  pointRef(g, n) = pt;
  return n;
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
