// Counting heap allocations in tests that promise allocation-free frames. The program
// that links AllocationCounter.cpp replaces the global allocation functions; they only
// count while a test has switched counting on.
#pragma once

namespace allocations {

void startCounting();
void stopCounting();
int counted();  // allocations since the last startCounting

}  // namespace allocations
