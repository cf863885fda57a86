// Items made ahead on a thread of their own: each exactly once, never in a
// slot the caller still holds, and what making one threw reaches the caller.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/items_ahead.h"

namespace kestrix {
namespace {

TEST(ItemsAhead, EveryItemIsMadeOnceAndNoHeldSlotIsReused) {
  for (const std::size_t window : {1, 2, 3, 8}) {
    constexpr std::size_t kCount = 2000;
    std::vector<std::atomic<int>> madeTimes(kCount);
    std::vector<std::atomic<std::size_t>> slots(window);
    {
      ItemsAhead ahead(kCount, window, [&](std::size_t i) {
        slots[i % window] = i;
        ++madeTimes[i];
        if (i % 97 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));  // the caller overtakes
      });
      for (std::size_t i = 0; i < kCount; ++i) {
        ahead.take(i);
        ASSERT_EQ(slots[i % window].load(), i) << "window " << window;
        if (i % 89 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));  // the thread runs ahead
        ASSERT_EQ(slots[i % window].load(), i) << "the slot held changed, window " << window;
      }
    }
    for (std::size_t i = 0; i < kCount; ++i) ASSERT_EQ(madeTimes[i].load(), 1) << "item " << i;
  }
}

TEST(ItemsAhead, WhatMakingAnItemThrewReachesTheCallerAtThatItem) {
  ItemsAhead ahead(100, 4, [](std::size_t i) {
    if (i == 37) throw std::runtime_error("item 37");
  });
  for (std::size_t i = 0; i < 37; ++i) ahead.take(i);
  EXPECT_THROW(ahead.take(37), std::runtime_error);
}

TEST(ItemsAhead, ACallerThatStopsEarlyEndsTheThreadWithinAWindow) {
  std::atomic<std::size_t> made{0};
  {
    ItemsAhead ahead(100000, 16, [&](std::size_t) { ++made; });
    for (std::size_t i = 0; i < 10; ++i) ahead.take(i);
  }
  EXPECT_LE(made.load(), 10u + 16u);  // never more than a window beyond the last item taken
}

TEST(ItemsAhead, NoneOrOneItemIsMadeByTheCaller) {
  { ItemsAhead none(0, 16, [](std::size_t) { FAIL() << "nothing to make"; }); }
  std::size_t single = 0;
  ItemsAhead one(1, 16, [&](std::size_t i) { single = i + 1; });
  one.take(0);
  EXPECT_EQ(single, 1u);
}

}  // namespace
}  // namespace kestrix
