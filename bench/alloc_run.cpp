// The whole program (WinMain and its message loop) over the headless back
// end for 100,000 frames with the panel shown: heap allocations per frame
// once running, and the process's peak resident memory.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "headless.h"
#include "program_support.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int);

namespace {
long StatusKb(const char* field) {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kb = -1;
    size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, n) == 0) kb = std::atol(line + n + 1);
    std::fclose(f);
    return kb;
}
}  // namespace

int main(int argc, char** argv) {
    const uint64_t frames = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100000;
    const uint64_t settled = 1000;  // bring-up, the B key and the first timers are done by then
    headless::SetCaptureScreen(false);
    headless::SetTimeLimitMicros(UINT64_MAX / 2);
    headless::Key(headless::AfterFrames(0), 'B');
    headless::Key(headless::AfterFrames(frames), VK_ESCAPE);
    uint64_t atSettled = 0, atEnd = 0;
    headless::OnFlip([&](uint64_t flips) {
        if (flips == settled) atSettled = AllocationCount();
        if (flips == frames) atEnd = AllocationCount();
    });
    int code = WinMain(nullptr, nullptr, const_cast<char*>(""), SW_SHOWNORMAL);
    uint64_t total = AllocationCount();
    std::printf("frames %llu (exit code %d, %llu virtual seconds)\n",
                static_cast<unsigned long long>(headless::Flips()), code,
                static_cast<unsigned long long>(headless::NowMicros() / 1000000));
    std::printf("allocations_from_frame_%llu_to_%llu %llu\n", static_cast<unsigned long long>(settled),
                static_cast<unsigned long long>(frames), static_cast<unsigned long long>(atEnd - atSettled));
    std::printf("allocations_per_frame %.6f\n",
                static_cast<double>(atEnd - atSettled) / static_cast<double>(frames - settled));
    std::printf("allocations_total %llu\n", static_cast<unsigned long long>(total));
    std::printf("VmHWM_kB %ld\n", StatusKb("VmHWM:"));
    return headless::Flips() >= frames ? 0 : 1;
}
