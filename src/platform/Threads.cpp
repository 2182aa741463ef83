// Threads and synchronisation on the C++ standard library. A thread's suspend count
// is honoured at its suspension points (waits, sleeps, critical section entry), so a
// suspended thread never holds a critical section it did not already hold; this is
// all the audio output needs and avoids signals or non-portable thread suspension.
#include "platform/Threads.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace os {

struct Thread {
  ThreadProc proc = nullptr;
  void* arg = nullptr;
  std::thread thread;
  std::mutex mutex;
  std::condition_variable changed;
  std::atomic<int> suspendCount{0};
  bool finished = false;
};

struct CriticalSection {
  std::mutex mutex;
  std::condition_variable freed;
  std::thread::id owner;
  int depth = 0;
};

struct Semaphore {
  std::mutex mutex;
  std::condition_variable released;
  int32_t count = 0;
  int32_t maximum = 0;
};

struct Event {
  std::mutex mutex;
  std::condition_variable signalled;
  bool manualReset = false;
  bool set = false;
};

namespace {

thread_local Thread* currentThread = nullptr;

bool suspendRequested() {
  return currentThread && currentThread->suspendCount.load(std::memory_order_acquire) > 0;
}

void threadMain(Thread* thread) {
  currentThread = thread;
  threadSuspendPoint();
  thread->proc(thread->arg);
  std::lock_guard<std::mutex> lock(thread->mutex);
  thread->finished = true;
  thread->changed.notify_all();
}

// Waits on cv until ready() or the timeout; INFINITE_WAIT waits without limit.
template <typename Lock, typename Ready>
bool waitUntil(std::condition_variable& cv, Lock& lock, uint32_t timeoutMs, Ready ready) {
  if (timeoutMs == INFINITE_WAIT) {
    cv.wait(lock, ready);
    return true;
  }
  return cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
}

}  // namespace

Thread* createThread(ThreadProc proc, void* arg, bool createSuspended) {
  if (!proc) return nullptr;
  Thread* thread = new Thread;
  thread->proc = proc;
  thread->arg = arg;
  thread->suspendCount = createSuspended ? 1 : 0;
  thread->thread = std::thread(threadMain, thread);
  return thread;
}

int suspendThread(Thread* thread) {
  if (!thread) return -1;
  std::lock_guard<std::mutex> lock(thread->mutex);
  return thread->suspendCount.fetch_add(1);
}

int resumeThread(Thread* thread) {
  if (!thread) return -1;
  std::lock_guard<std::mutex> lock(thread->mutex);
  int previous = thread->suspendCount.load();
  if (previous > 0) thread->suspendCount.store(previous - 1);
  thread->changed.notify_all();
  return previous;
}

bool setThreadPriority(Thread* thread, int) { return thread != nullptr; }

bool waitForThread(Thread* thread, uint32_t timeoutMs) {
  if (!thread) return false;
  std::unique_lock<std::mutex> lock(thread->mutex);
  return waitUntil(thread->changed, lock, timeoutMs, [&] { return thread->finished; });
}

void closeThread(Thread* thread) {
  if (!thread) return;
  {
    std::lock_guard<std::mutex> lock(thread->mutex);
    thread->suspendCount.store(0);
    thread->changed.notify_all();
  }
  if (thread->thread.joinable()) thread->thread.join();
  delete thread;
}

void threadSuspendPoint() {
  Thread* self = currentThread;
  if (!self) return;
  std::unique_lock<std::mutex> lock(self->mutex);
  self->changed.wait(lock, [&] { return self->suspendCount.load() <= 0; });
}

void threadSleep(uint32_t milliseconds) {
  threadSuspendPoint();
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  threadSuspendPoint();
}

CriticalSection* createCriticalSection() { return new CriticalSection; }

void enterCriticalSection(CriticalSection* section) {
  const std::thread::id me = std::this_thread::get_id();
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(section->mutex);
      if (section->depth > 0 && section->owner == me) {
        ++section->depth;
        return;
      }
      section->freed.wait(lock, [&] { return section->depth == 0; });
      // A thread suspended while it waited must not take the section: the suspender
      // relies on it staying out until resumed.
      if (!suspendRequested()) {
        section->owner = me;
        section->depth = 1;
        return;
      }
    }
    threadSuspendPoint();
  }
}

void leaveCriticalSection(CriticalSection* section) {
  std::lock_guard<std::mutex> lock(section->mutex);
  if (section->depth == 0 || section->owner != std::this_thread::get_id()) return;
  if (--section->depth == 0) {
    section->owner = std::thread::id();
    section->freed.notify_all();
  }
}

void deleteCriticalSection(CriticalSection* section) { delete section; }

Semaphore* createSemaphore(int32_t initialCount, int32_t maximumCount) {
  if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) return nullptr;
  Semaphore* semaphore = new Semaphore;
  semaphore->count = initialCount;
  semaphore->maximum = maximumCount;
  return semaphore;
}

bool releaseSemaphore(Semaphore* semaphore, int32_t count) {
  if (!semaphore || count <= 0) return false;
  std::lock_guard<std::mutex> lock(semaphore->mutex);
  if (semaphore->count > semaphore->maximum - count) return false;
  semaphore->count += count;
  semaphore->released.notify_all();
  return true;
}

uint32_t waitForSemaphore(Semaphore* semaphore, uint32_t timeoutMs) {
  threadSuspendPoint();
  std::unique_lock<std::mutex> lock(semaphore->mutex);
  if (!waitUntil(semaphore->released, lock, timeoutMs, [&] { return semaphore->count > 0; }))
    return WAIT_TIMEOUT;
  --semaphore->count;
  return WAIT_OBJECT_0;
}

void closeSemaphore(Semaphore* semaphore) { delete semaphore; }

Event* createEvent(bool manualReset, bool initiallySet) {
  Event* event = new Event;
  event->manualReset = manualReset;
  event->set = initiallySet;
  return event;
}

void setEvent(Event* event) {
  std::lock_guard<std::mutex> lock(event->mutex);
  event->set = true;
  event->signalled.notify_all();
}

void resetEvent(Event* event) {
  std::lock_guard<std::mutex> lock(event->mutex);
  event->set = false;
}

uint32_t waitForEvent(Event* event, uint32_t timeoutMs) {
  threadSuspendPoint();
  std::unique_lock<std::mutex> lock(event->mutex);
  if (!waitUntil(event->signalled, lock, timeoutMs, [&] { return event->set; })) return WAIT_TIMEOUT;
  if (!event->manualReset) event->set = false;
  return WAIT_OBJECT_0;
}

void closeEvent(Event* event) { delete event; }

}  // namespace os
