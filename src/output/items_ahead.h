#pragma once
// Numbered items made beside the run on a thread of their own: a run that
// writes section after section has the second core make the next sections'
// text while it writes the one in hand.

#include <cstddef>
#include <functional>
#include <memory>

namespace kestrix {

/// Items 0 to count-1, each made by `make(i)` before the caller takes it, in order. A thread of its own makes them
/// ahead, at most `window` items beyond the one the caller holds, so that `make(i)` may fill slot i % window; an item
/// that thread has not begun when the caller comes to it the caller makes itself, and while it waits for one the
/// thread is making, it makes the next ones nobody has begun. Without threads the caller makes every item.
class ItemsAhead {
 public:
  /// Starts making items; `make` must touch nothing the caller changes meanwhile.
  ItemsAhead(std::size_t count, std::size_t window, std::function<void(std::size_t)> make);
  /// Stops the thread, once the item it is making is made.
  ~ItemsAhead();
  ItemsAhead(const ItemsAhead&) = delete;
  ItemsAhead& operator=(const ItemsAhead&) = delete;
  /// Waits until item i is made (or makes it) and hands it over until the next take: items are taken in order
  /// from 0. What `make` threw for that item is thrown here.
  void take(std::size_t i);

 private:
  class Thread;
  std::function<void(std::size_t)> make_;
  std::unique_ptr<Thread> thread_;
};

}  // namespace kestrix
