// Helpers for running pieces of the program in-process, shared by tests,
// tools and benchmarks (no test framework needed).
#pragma once
#include <cstdint>

#include "platform.h"

// The program's window, created as WinMain creates it (timers running) and
// shown, for scenarios that drive the display directly.
HWND CreateProgramWindow();

// Heap allocations made so far by this process (linking alloc_counter.cpp
// replaces the global operator new to count them).
uint64_t AllocationCount();
