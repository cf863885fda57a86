// Items made ahead on a thread of their own: each exactly once, never in a
// slot the caller still holds, and what making one threw reaches the caller.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "output/items_ahead.h"

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

TEST(ItemsAhead, ACallerWaitingForTheThreadMakesTheItemsAfterIt) {
  // The thread's first item (item 0, as the caller waits for the thread to
  // begin) is held until the caller has made a later item itself: a caller
  // that only waited would leave it held until the timeout.
  const std::thread::id caller = std::this_thread::get_id();
  std::atomic<std::size_t> madeByCaller{0};
  std::atomic<bool> held{false};
  std::atomic<bool> timedOut{false};
  constexpr std::size_t kCount = 64;
  {
    ItemsAhead ahead(kCount, 8, [&](std::size_t i) {
      if (std::this_thread::get_id() == caller) {
        madeByCaller = std::max<std::size_t>(madeByCaller, i + 1);
        return;
      }
      if (held.exchange(true)) return;
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (madeByCaller <= i + 1) {
        if (std::chrono::steady_clock::now() > until) {
          timedOut = true;
          return;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(100));
      }
    });
    // The caller comes to the first item only once the thread holds it.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!held && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::microseconds(100));
    for (std::size_t i = 0; i < kCount; ++i) ahead.take(i);
  }
  EXPECT_TRUE(held.load());
  EXPECT_FALSE(timedOut.load());
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
