// A mutex, its scoped lock and a condition variable that clang's thread-safety analysis can
// follow; libstdc++'s std::mutex carries no annotations, so members GUARDED_BY a std::mutex are
// never checked.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "core/thread_annotations.h"

namespace veltra {

// A non-recursive mutex. Not copyable or movable; owned by the object whose members it guards.
class CAPABILITY("mutex") Mutex {
 public:
  Mutex() = default;
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void lock() ACQUIRE() { mutex_.lock(); }
  void unlock() RELEASE() { mutex_.unlock(); }

 private:
  friend class CondVar;
  std::mutex mutex_;
};

// Holds a Mutex from construction to destruction; unlock() and lock() let go of it for a while
// and take it back. Used by one thread, on the stack.
class SCOPED_CAPABILITY MutexLock {
 public:
  explicit MutexLock(Mutex& mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
  ~MutexLock() RELEASE() {
    if (locked_) mutex_.unlock();
  }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

  void unlock() RELEASE() {
    mutex_.unlock();
    locked_ = false;
  }
  void lock() ACQUIRE() {
    mutex_.lock();
    locked_ = true;
  }

 private:
  Mutex& mutex_;
  bool locked_ = true;
};

// A condition variable waited on with a held Mutex. The waits have no predicate form: callers
// loop on their condition themselves, so the analysis sees every guarded read made under the
// lock. Thread-safe.
class CondVar {
 public:
  CondVar() = default;
  CondVar(const CondVar&) = delete;
  CondVar& operator=(const CondVar&) = delete;

  // Releases `mutex`, blocks until notified (or spuriously woken) and takes `mutex` back.
  void wait(Mutex& mutex) REQUIRES(mutex) {
    std::unique_lock<std::mutex> lock(mutex.mutex_, std::adopt_lock);
    changed_.wait(lock);
    lock.release();
  }

  // As wait(), giving up at `deadline`; returns false when the deadline passed.
  template <class Clock, class Duration>
  bool waitUntil(Mutex& mutex, const std::chrono::time_point<Clock, Duration>& deadline)
      REQUIRES(mutex) {
    std::unique_lock<std::mutex> lock(mutex.mutex_, std::adopt_lock);
    std::cv_status status = changed_.wait_until(lock, deadline);
    lock.release();
    return status == std::cv_status::no_timeout;
  }

  void notifyOne() { changed_.notify_one(); }
  void notifyAll() { changed_.notify_all(); }

 private:
  std::condition_variable changed_;
};

}  // namespace veltra
