// Worker thread with a bounded wait, over the C++ runtime.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include "platform/platform.h"

struct PlatformThread {
  std::thread thread;
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
};

PlatformThread* PlatformThreadStart(void (*entry)()) {
  PlatformThread* t = new (std::nothrow) PlatformThread;
  if (t == nullptr) return nullptr;
  t->thread = std::thread([t, entry] {
    entry();
    std::lock_guard<std::mutex> lock(t->mutex);
    t->done = true;
    t->ended.notify_all();
  });
  return t;
}

bool PlatformThreadWait(PlatformThread* t, u32 ms) {
  if (t == nullptr) return true;
  {
    std::unique_lock<std::mutex> lock(t->mutex);
    if (!t->ended.wait_for(lock, std::chrono::milliseconds(ms), [t] { return t->done; })) {
      return false;
    }
  }
  t->thread.join();
  delete t;
  return true;
}
