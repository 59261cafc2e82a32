// Rules a run must keep at every frame and at its end, shared by the soak,
// the fault sweep, the fuzz target and the memcheck driver. They report the
// first broken rule as text instead of asserting, so that code without a
// test framework can use them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Every card inside the bounds of the current mode, with a legal step and frame.
std::string CardsInBounds();

// The frame counters, checked after each flip. TotalFrames counts every
// RenderFrame (each makes exactly one Flip call); FramesThisSecond grows by
// one per frame until a counter tick moves it into FramesPerSecond.
class CounterWatch {
public:
    // strictTicks: a 1000 ms tick at every whole second of virtual time,
    // seen at the first frame after it, and never two between frames (no
    // extra WM_TIMER messages are posted).
    explicit CounterWatch(bool strictTicks) : strict_(strictTicks) {}
    std::string AfterFlip();
    uint64_t Resets() const { return resets_; }

private:
    bool strict_;
    int32_t lastThisSecond_ = 0;
    int lastFlipCalls_ = 0;
    uint64_t lastMicros_ = 0;
    uint64_t resets_ = 0;
};

// The fatal message naming a step, in Windows-1251.
std::string FatalMessage(const std::string& step);

// The fatal messages form one report: a step of the bring-up, or a loading
// report followed by its second report.
std::string FatalMessagesWellFormed();

// Heap bytes in use (the sanitizer allocator's count under AddressSanitizer).
size_t HeapInUse();
// Resident set size of this process.
size_t ResidentBytes();
// Leaks found by LeakSanitizer now; always 0 without it.
int LeakCheck();
