// Threads and synchronisation: threads that can be created suspended and suspended
// or resumed later, critical sections, counting semaphores and auto/manual events.
// Suspension is cooperative: a suspended thread parks at its next wait or critical
// section entry, never in the middle of work it does between them. Waits here are in
// wall-clock time; they do not advance the game's virtual clock.
#pragma once

#include <cstdint>

namespace os {

struct Thread;
struct CriticalSection;
struct Semaphore;
struct Event;

constexpr uint32_t INFINITE_WAIT = 0xFFFFFFFFu;
enum : uint32_t { WAIT_OBJECT_0 = 0, WAIT_TIMEOUT = 258 };

using ThreadProc = uint32_t (*)(void* arg);

// Starts a thread running proc(arg); with createSuspended it waits for resumeThread
// before it runs proc. Null when the thread cannot be created.
Thread* createThread(ThreadProc proc, void* arg, bool createSuspended);
// Suspend count semantics: returns the previous count, or -1 for a null thread.
int suspendThread(Thread* thread);
int resumeThread(Thread* thread);
// Priorities are accepted for the handheld's sake; the desktop scheduler ignores them.
bool setThreadPriority(Thread* thread, int priority);
// Waits until the thread's procedure has returned; true when it has.
bool waitForThread(Thread* thread, uint32_t timeoutMs);
// Waits for the thread to end (resuming it first when suspended) and frees it.
void closeThread(Thread* thread);
// The calling thread parks here while another thread holds it suspended.
void threadSuspendPoint();
// Wall-clock sleep of the calling thread (a suspension point, too).
void threadSleep(uint32_t milliseconds);

CriticalSection* createCriticalSection();
void enterCriticalSection(CriticalSection* section);  // recursive, like the handheld's
void leaveCriticalSection(CriticalSection* section);
void deleteCriticalSection(CriticalSection* section);

Semaphore* createSemaphore(int32_t initialCount, int32_t maximumCount);
// False (and no change) when the count would pass the maximum.
bool releaseSemaphore(Semaphore* semaphore, int32_t count = 1);
uint32_t waitForSemaphore(Semaphore* semaphore, uint32_t timeoutMs);  // WAIT_OBJECT_0 or WAIT_TIMEOUT
void closeSemaphore(Semaphore* semaphore);

// An auto-reset event releases one waiter and clears itself; a manual one stays set.
Event* createEvent(bool manualReset, bool initiallySet);
void setEvent(Event* event);
void resetEvent(Event* event);
uint32_t waitForEvent(Event* event, uint32_t timeoutMs);
void closeEvent(Event* event);

}  // namespace os
