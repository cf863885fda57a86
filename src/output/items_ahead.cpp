#include "output/items_ahead.h"

#include <cstddef>
#include <exception>
#include <vector>

#include "platform/threads.h"

// Without threads the caller makes every item.
#if KESTRIX_THREADS
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

namespace kestrix {

#if KESTRIX_THREADS
// Items are claimed in order from one counter, by the thread or by the
// caller, so each is made exactly once; a slot records which item was last
// made in it.
class ItemsAhead::Thread {
 public:
  Thread(std::size_t count, std::size_t window, const std::function<void(std::size_t)>& make)
      : count_(count), window_(window), make_(make), made_(window, kNone), failures_(window) {
    thread_ = std::thread([this] { run(); });
  }
  ~Thread() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

  void take(std::size_t i) {
    std::unique_lock<std::mutex> lock(mutex_);
    released_ = i;  // every item before this one is done with
    // The thread is woken for half a window of items at once, not for each.
    if (sleeping_ && next_ < count_ && next_ + window_ / 2 <= released_ + window_) wake_.notify_one();
    if (next_ == i) {
      next_ = i + 1;
      lock.unlock();
      make_(i);
      return;
    }
    // The thread is making item i. Rather than sleep until it is made (the
    // thread runs at a lower priority, and may be waiting for a processor),
    // the caller makes the items after it that nobody has begun.
    while (made_[i % window_] != i) {
      if (!stop_ && claimable()) {
        makeClaimed(lock);
        continue;
      }
      waiting_ = i;
      made_wait_.wait(lock, [&] { return made_[i % window_] == i; });
      waiting_ = kNone;
    }
    if (failures_[i % window_]) {
      std::exception_ptr failure = std::move(failures_[i % window_]);
      failures_[i % window_] = nullptr;
      std::rethrow_exception(failure);
    }
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  void run() {
    // The items are work the caller would do anyway: the thread takes only
    // what the processor has to spare, and the thread writing the files,
    // which nothing else can do, keeps its share.
    lowerThreadPriority();
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      sleeping_ = true;
      wake_.wait(lock, [&] { return stop_ || claimable(); });
      sleeping_ = false;
      if (stop_) return;
      makeClaimed(lock);
    }
  }

  // Whether an item is left to begin whose slot the caller no longer holds (the mutex held).
  bool claimable() const { return next_ < count_ && next_ < released_ + window_; }

  // Claims the next item and makes it, the lock released meanwhile; what it
  // threw waits in its slot for the caller, and no further item is begun.
  void makeClaimed(std::unique_lock<std::mutex>& lock) {
    const std::size_t i = next_++;
    lock.unlock();
    std::exception_ptr failure;
    try {
      make_(i);
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    made_[i % window_] = i;
    failures_[i % window_] = failure;
    if (waiting_ == i) made_wait_.notify_one();
    if (failure) stop_ = true;
  }

  const std::size_t count_;
  const std::size_t window_;
  const std::function<void(std::size_t)>& make_;
  std::mutex mutex_;
  std::condition_variable wake_;       // room to make an item, or the end
  std::condition_variable made_wait_;  // the item the caller waits for is made
  std::vector<std::size_t> made_;      // by slot: the item last made there
  std::vector<std::exception_ptr> failures_;  // by slot: what making its item threw
  std::size_t next_ = 0;               // the next item to claim
  std::size_t released_ = 0;           // items before this one are done with
  std::size_t waiting_ = kNone;        // the item the caller waits for
  bool sleeping_ = false;
  bool stop_ = false;
  std::thread thread_;
};

ItemsAhead::ItemsAhead(std::size_t count, std::size_t window, std::function<void(std::size_t)> make)
    : make_(std::move(make)) {
  // A single item, or a window of one, leaves nothing to make beside the caller.
  if (count > 1 && window > 1) thread_ = std::make_unique<Thread>(count, window, make_);
}

ItemsAhead::~ItemsAhead() = default;

void ItemsAhead::take(std::size_t i) {
  if (thread_) {
    thread_->take(i);
  } else {
    make_(i);
  }
}
#else
class ItemsAhead::Thread {};

ItemsAhead::ItemsAhead(std::size_t, std::size_t, std::function<void(std::size_t)> make) : make_(std::move(make)) {}

ItemsAhead::~ItemsAhead() = default;

void ItemsAhead::take(std::size_t i) { make_(i); }
#endif

}  // namespace kestrix
