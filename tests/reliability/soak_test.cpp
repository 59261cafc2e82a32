// Long runs: many frames with the panel on and many mode switches, with
// every card, counter, DirectDraw object and heap byte accounted for after
// each frame. CI runs a short soak; tools/soak.sh sets the full size through
// VELKARO_SOAK_FRAMES and VELKARO_SOAK_SWITCHES.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "display/display.h"
#include "invariants.h"
#include "scenario.h"
#include "scene/scene.h"
#include "shell/shell.h"

using namespace headless;

namespace {

uint64_t FromEnvironment(const char* name, uint64_t fallback) {
    const char* text = std::getenv(name);
    if (!text || !*text) return fallback;
    return std::strtoull(text, nullptr, 10);
}

// Heap growth allowed between two visits of the same mode: none is expected,
// this only absorbs allocator bookkeeping.
constexpr size_t HeapSlack = 16 * 1024;

}  // namespace

TEST(Soak, FramesAndModeSwitchesKeepEveryInvariant) {
    const uint64_t frames = FromEnvironment("VELKARO_SOAK_FRAMES", 30000);
    const uint64_t switches = FromEnvironment("VELKARO_SOAK_SWITCHES", 300);
    const uint64_t period = frames / (switches + 1);
    ASSERT_GE(period, 4u) << "too many switches for the frames: no room for a B press between them";
    ASSERT_GE(switches, 21u) << "three visits of every mode are needed to see the heap stay flat";

    InFreshProcess([=] {
        SetCaptureScreen(false);
        SetCheckDamage(true);  // keeps its own copy of the screen
        SetTimeLimitMicros(UINT64_MAX / 2);
        Key(AfterFrames(0), 'B');  // the panel is on from the first frame

        CounterWatch counters(true);
        uint64_t switchesMade = 0, bPresses = 1;
        int liveWhenUp = -1;
        std::string broken;
        std::vector<size_t> heap, resident;
        heap.reserve(switches / 7 + 2);
        resident.reserve(switches / 7 + 2);
        auto stop = [] { PostMessage(MainWindow, WM_KEYDOWN, VK_ESCAPE, 0); };

        OnFlip([&](uint64_t flips) {
            if (!broken.empty()) return;
            std::string why = CardsInBounds();
            if (why.empty()) why = counters.AfterFlip();
            if (why.empty() && !ShowCounters) why = "the panel is off";
            if (flips == 1) liveWhenUp = LiveObjects();
            if (why.empty() && LiveObjects() != liveWhenUp)
                why = std::to_string(LiveObjects()) + " DirectDraw objects alive instead of " +
                      std::to_string(liveWhenUp);
            if (!why.empty()) {
                broken = "after flip " + std::to_string(flips) + ": " + why;
                stop();
                return;
            }
            if (flips == frames) {
                stop();
                return;
            }
            uint64_t phase = flips % period;
            if (phase == period / 2) {
                // Style 0 would turn the panel off: step over it.
                int presses = BackgroundStyle == 7 ? 2 : 1;
                for (int i = 0; i < presses; ++i) PostMessage(MainWindow, WM_KEYDOWN, 'B', 1);
                bPresses += presses;
            }
            if (phase == 0 && switchesMade < switches) {
                PostMessage(MainWindow, WM_KEYDOWN, '1' + switchesMade % 7, 1);
                ++switchesMade;
            }
            // The first frame after each switch into 320 x 200.
            if (phase == 1 && switchesMade % 7 == 1 && flips > period) {
                heap.push_back(HeapInUse());
                resident.push_back(ResidentBytes());
            }
        });

        auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(RunWinMain(), 0);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

        EXPECT_EQ(broken, "");
        EXPECT_EQ(Flips(), frames);
        EXPECT_EQ(static_cast<uint64_t>(TotalFrames), frames);
        EXPECT_EQ(switchesMade, switches);
        EXPECT_EQ(static_cast<uint64_t>(CallCount(Call::DirectDrawCreate)), 1 + switches);
        EXPECT_TRUE(MessageBoxes().empty());
        EXPECT_EQ(DamageCheck().wrongStretches, 0u) << DamageCheck().firstWrong;
        EXPECT_GE(DamageCheck().presents, frames);
        EXPECT_EQ(LiveObjects(), 0);
        EXPECT_EQ(liveWhenUp, 1 + 8 + 1 + 5) << "display, 8 surfaces, screen palette, 5 sheet palettes";
        EXPECT_EQ(LeakCheck(), 0);
        ASSERT_GE(heap.size(), 3u);
        // The first visit warms the allocator up; later visits must not grow.
        for (size_t i = 2; i < heap.size(); ++i)
            EXPECT_LE(heap[i], heap[1] + HeapSlack) << "visit " << i << " of 320 x 200";

        std::printf(
            "soak: %llu frames, %llu mode switches, %llu B presses, %llu counter resets in %.1f virtual s\n"
            "soak: %.2f s wall, %.0f frames/s; heap in use %zu -> %zu bytes, resident %zu -> %zu KiB "
            "over %zu visits of 320 x 200\n",
            static_cast<unsigned long long>(Flips()), static_cast<unsigned long long>(switchesMade),
            static_cast<unsigned long long>(bPresses), static_cast<unsigned long long>(counters.Resets()),
            NowMicros() / 1e6, seconds, Flips() / seconds, heap[1], heap.back(), resident[1] / 1024,
            resident.back() / 1024, heap.size());
    });
}
