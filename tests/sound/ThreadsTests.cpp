// The platform's threads and synchronisation as the audio output uses them: a thread
// created suspended does not run until resumed, a suspended thread stays out of a
// critical section, semaphores keep their maximum, auto-reset events wake one waiter.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/Threads.h"

namespace {

struct Shared {
  os::CriticalSection* section = nullptr;
  os::Event* quit = nullptr;
  std::atomic<int> entries{0};
};

// Enters and leaves the section until told to quit, counting the entries.
uint32_t worker(void* arg) {
  Shared* s = static_cast<Shared*>(arg);
  while (os::waitForEvent(s->quit, 0) == os::WAIT_TIMEOUT) {
    os::enterCriticalSection(s->section);
    ++s->entries;
    os::leaveCriticalSection(s->section);
    os::threadSleep(1);
  }
  return 0;
}

void settle() { std::this_thread::sleep_for(std::chrono::milliseconds(30)); }

}  // namespace

TEST(Threads, SuspendedThreadsDoNotRunOrEnterTheSection) {
  Shared s;
  s.section = os::createCriticalSection();
  s.quit = os::createEvent(true, false);
  os::Thread* t = os::createThread(worker, &s, true);
  ASSERT_NE(t, nullptr);
  settle();
  EXPECT_EQ(s.entries.load(), 0);  // created suspended
  EXPECT_EQ(os::resumeThread(t), 1);
  settle();
  EXPECT_GT(s.entries.load(), 0);

  // Suspended while it waits for a section we hold, the thread must not take the
  // section when we release it (the audio pause relies on this).
  os::enterCriticalSection(s.section);
  settle();  // by now the worker waits to enter
  const int before = s.entries.load();
  EXPECT_EQ(os::suspendThread(t), 0);
  os::enterCriticalSection(s.section);  // recursive entry by the owner
  os::leaveCriticalSection(s.section);
  os::leaveCriticalSection(s.section);
  settle();
  EXPECT_EQ(s.entries.load(), before);
  os::resumeThread(t);
  settle();
  EXPECT_GT(s.entries.load(), before);

  os::setEvent(s.quit);
  EXPECT_TRUE(os::waitForThread(t, 2000));
  os::closeThread(t);
  os::closeEvent(s.quit);
  os::deleteCriticalSection(s.section);
}

TEST(Threads, SemaphoreKeepsItsMaximum) {
  os::Semaphore* sem = os::createSemaphore(0, 2);
  EXPECT_EQ(os::waitForSemaphore(sem, 0), os::WAIT_TIMEOUT);
  EXPECT_TRUE(os::releaseSemaphore(sem, 1));
  EXPECT_TRUE(os::releaseSemaphore(sem, 1));
  EXPECT_FALSE(os::releaseSemaphore(sem, 1));
  EXPECT_EQ(os::waitForSemaphore(sem, 0), os::WAIT_OBJECT_0);
  EXPECT_EQ(os::waitForSemaphore(sem, 0), os::WAIT_OBJECT_0);
  EXPECT_EQ(os::waitForSemaphore(sem, 5), os::WAIT_TIMEOUT);
  os::closeSemaphore(sem);
  EXPECT_EQ(os::createSemaphore(3, 2), nullptr);
}

TEST(Threads, AutoResetEventsWakeOneWaiterManualOnesStaySet) {
  os::Event* autoEvent = os::createEvent(false, true);
  EXPECT_EQ(os::waitForEvent(autoEvent, 0), os::WAIT_OBJECT_0);
  EXPECT_EQ(os::waitForEvent(autoEvent, 0), os::WAIT_TIMEOUT);
  std::atomic<int> woken{0};
  auto wait = [&] { if (os::waitForEvent(autoEvent, 300) == os::WAIT_OBJECT_0) ++woken; };
  std::thread a(wait), b(wait);
  settle();
  os::setEvent(autoEvent);
  a.join();
  b.join();
  EXPECT_EQ(woken.load(), 1);
  os::closeEvent(autoEvent);

  os::Event* manual = os::createEvent(true, false);
  os::setEvent(manual);
  EXPECT_EQ(os::waitForEvent(manual, 0), os::WAIT_OBJECT_0);
  EXPECT_EQ(os::waitForEvent(manual, 0), os::WAIT_OBJECT_0);
  os::resetEvent(manual);
  EXPECT_EQ(os::waitForEvent(manual, 0), os::WAIT_TIMEOUT);
  os::closeEvent(manual);
}
