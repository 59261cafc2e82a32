// Every call of the display bring-up failing in turn, at start and after a
// mode key, with a negative and with a positive result. The calls swept are
// those a clean bring-up is seen to make, so a call added to the bring-up is
// swept without touching this file; what each failure must show comes from
// the bring-up's known order of calls.
#include <sys/mman.h>

#include <array>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "display/display.h"
#include "invariants.h"
#include "scenario.h"
#include "scene/scene.h"
#include "shell/shell.h"

using namespace headless;

namespace {

constexpr int CallKinds = static_cast<int>(Call::Count);
using CallCounts = std::array<int, CallKinds>;

// The bring-up as recorded by a clean run: each call kind's count.
CallCounts RecordBringUp(bool afterModeKey) {
    auto* shared = static_cast<int*>(
        mmap(nullptr, sizeof(CallCounts), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    EXPECT_NE(shared, MAP_FAILED);
    InFreshProcess([&] {
        CallCounts before{};
        if (afterModeKey) {
            Key(AfterFrames(2), '4');
            Close(AfterFrames(2));  // waits behind the key: no frame after the switch
            OnFlip([&](uint64_t flips) {
                if (flips == 2)
                    for (int i = 0; i < CallKinds; ++i) before[i] = CallCount(static_cast<Call>(i));
            });
        } else {
            Close(AfterFrames(0));  // taken by the first poll: the bring-up only
        }
        EXPECT_EQ(RunWinMain(), 0);
        EXPECT_EQ(Flips(), afterModeKey ? 2u : 0u);
        EXPECT_TRUE(MessageBoxes().empty());
        for (int i = 0; i < CallKinds; ++i) shared[i] = CallCount(static_cast<Call>(i)) - before[i];
    });
    CallCounts counts{};
    for (int i = 0; i < CallKinds; ++i) counts[i] = shared[i];
    munmap(shared, sizeof(CallCounts));
    return counts;
}

// What a failure of one call must show: the fatal messages in order, or
// none when the program goes on.
struct Expectation {
    Call call;
    std::vector<std::string> steps;
};

// The bring-up's calls in the order it makes them.
std::vector<Expectation> BringUpOrder(bool atStart) {
    const std::vector<std::string> surfaces = {"CreateSurfaces"}, survived = {},
                                   load = {"Error loading from resource!", "PrepareSurfaces"};
    std::vector<Expectation> order;
    // Without its timers the window is not created, and no display can be
    // made exclusive for a missing window.
    if (atStart) order.insert(order.end(), 2, {Call::SetTimer, {"SetCooperativeLevel"}});
    order.push_back({Call::DirectDrawCreate, {"DirectDrawCreate"}});
    order.push_back({Call::SetCooperativeLevel, {"SetCooperativeLevel"}});
    order.push_back({Call::SetDisplayMode, {"SetDisplayMode"}});
    order.push_back({Call::CreateSurface, surfaces});       // flipping pair
    order.push_back({Call::GetAttachedSurface, surfaces});  // its back buffer
    order.push_back({Call::CreateSurface, surfaces});       // background
    order.push_back({Call::CreateSurface, surfaces});       // font
    order.push_back({Call::SetColorKey, survived});
    order.insert(order.end(), 4, {Call::CreateSurface, surfaces});  // three cards, captions
    order.insert(order.end(), 4, {Call::SetColorKey, survived});
    order.push_back({Call::FindResource, {"PrepareSurfaces"}});  // the screen palette's bitmap
    order.push_back({Call::CreatePalette, {"CreatePalette error", "PrepareSurfaces"}});
    order.push_back({Call::SetPalette, survived});
    // The nine loads: each card's sheet, then the caption sheet and the font
    // again. A surface left locked by a failed unlock cannot be locked by its
    // next load, which then fails.
    const char loaded[] = "ACFBCFDCF";
    for (int i = 0; i < 9; ++i) {
        order.push_back({Call::FindResource, load});
        order.push_back({Call::CreatePalette, load});
        order.push_back({Call::SetPalette, survived});
        order.push_back({Call::Lock, load});
        bool loadedAgain = std::string(loaded + i + 1).find(loaded[i]) != std::string::npos;
        order.push_back({Call::Unlock, loadedAgain ? load : survived});
    }
    // Painting the background: a surface that cannot be locked stays
    // unpainted; one left locked refuses copies and flips, unexamined.
    for (int i = 0; i < 3; ++i) {
        order.push_back({Call::Lock, survived});
        order.push_back({Call::Unlock, survived});
    }
    return order;
}

using Outcomes = std::map<std::pair<Call, int>, std::vector<std::string>>;

Outcomes ByCall(const std::vector<Expectation>& order) {
    Outcomes outcomes;
    std::map<Call, int> seen;
    for (const Expectation& e : order) outcomes[{e.call, ++seen[e.call]}] = e.steps;
    return outcomes;
}

std::vector<std::string> BoxTexts() {
    std::vector<std::string> texts;
    for (const MessageBoxRecord& box : MessageBoxes()) texts.push_back(box.text);
    return texts;
}

std::vector<std::string> Fatal(const std::vector<std::string>& steps) {
    std::vector<std::string> texts;
    for (const std::string& step : steps) texts.push_back(FatalText(step));
    return texts;
}

const HRESULT Results[] = {DDERR_GENERIC, 1};

// Runs the program with the nth call of `call` failing, at start or in the
// switch made by a mode key after two frames, and checks what it must show.
void SweepOne(bool atStart, Call call, int nth, HRESULT result, const std::vector<std::string>* expected) {
    SCOPED_TRACE(std::string(atStart ? "at start: " : "after a mode key: ") + CallName(call) + " #" +
                 std::to_string(nth) + " returning " + std::to_string(result));
    InFreshProcess([&] {
        // Flips may fail for good (a front buffer left locked): the end
        // comes on the clock.
        const uint64_t failedAt = atStart ? 0 : 2;
        if (atStart) {
            FailAt(call, nth, result);
        } else {
            Key(AfterFrames(2), '4');
            OnFlip([&](uint64_t flips) {
                if (flips == 2) FailAt(call, nth, result);
            });
        }
        Key(AtMs(300), VK_ESCAPE);
        EXPECT_EQ(RunWinMain(), 0);
        EXPECT_EQ(LiveObjects(), 0);
        EXPECT_EQ(DirectDrawObject, nullptr);
        EXPECT_EQ(FatalMessagesWellFormed(), "");
        EXPECT_EQ(LeakCheck(), 0);
        if (!expected) {
            // A call the known order lacks: it is still swept for what every run keeps.
            if (!MessageBoxes().empty()) {
                EXPECT_EQ(Flips(), failedAt) << "a frame after the failure";
            }
            return;
        }
        EXPECT_EQ(BoxTexts(), Fatal(*expected));
        if (expected->empty()) {
            EXPECT_GT(static_cast<uint64_t>(TotalFrames), failedAt + 3) << "the program did not go on";
            if (!atStart) {
                EXPECT_EQ(ScreenWidth, 640);
            }
            return;
        }
        EXPECT_EQ(Flips(), failedAt) << "a frame after the failure";
        EXPECT_FALSE(WindowVisible());
        ASSERT_FALSE(MessageBoxes().empty());
        EXPECT_EQ(MessageBoxes()[0].windowAlive, call != Call::SetTimer);
        for (size_t i = 1; i < MessageBoxes().size(); ++i) EXPECT_FALSE(MessageBoxes()[i].windowAlive);
    });
}

int Sweep(bool atStart) {
    const CallCounts recorded = RecordBringUp(!atStart);
    const Outcomes outcomes = ByCall(BringUpOrder(atStart));
    int runs = 0;
    for (int kind = 0; kind < CallKinds; ++kind) {
        Call call = static_cast<Call>(kind);
        for (int nth = 1; nth <= recorded[kind]; ++nth) {
            auto found = outcomes.find({call, nth});
            for (HRESULT result : Results) {
                SweepOne(atStart, call, nth, result, found == outcomes.end() ? nullptr : &found->second);
                ++runs;
            }
        }
    }
    return runs;
}

}  // namespace

TEST(FaultSweep, TheCleanBringUpMakesTheCallsOfItsKnownOrder) {
    for (bool atStart : {true, false}) {
        const CallCounts recorded = RecordBringUp(!atStart);
        CallCounts modelled{};
        for (const Expectation& e : BringUpOrder(atStart)) ++modelled[static_cast<int>(e.call)];
        for (int kind = 0; kind < CallKinds; ++kind)
            EXPECT_EQ(recorded[kind], modelled[kind])
                << CallName(static_cast<Call>(kind)) << (atStart ? " at start" : " after a mode key");
        EXPECT_EQ(recorded[static_cast<int>(Call::BltFast)], 0) << "the bring-up draws nothing";
        EXPECT_EQ(recorded[static_cast<int>(Call::Flip)], 0);
    }
}

TEST(FaultSweep, EveryBringUpCallFailingAtStart) {
    int runs = Sweep(true);
    std::printf("fault sweep at start: %d runs\n", runs);
    EXPECT_GT(runs, 0);
}

TEST(FaultSweep, EveryBringUpCallFailingAfterAModeKey) {
    int runs = Sweep(false);
    std::printf("fault sweep after a mode key: %d runs\n", runs);
    EXPECT_GT(runs, 0);
}

// The background is painted into the background copy, the front and the
// back buffer in turn; the one whose lock fails stays unpainted and the
// program goes on.
TEST(FaultSweep, AFailedBackgroundLockLeavesOnlyThatSurfaceUnpainted) {
    for (int which = 0; which < 3; ++which) {
        for (HRESULT result : Results) {
            InFreshProcess([which, result] {
                for (int i = 0; i < 3; ++i) Key(AfterFrames(1), 'B');  // style 3: colour 2 inside a frame
                std::array<bool, 3> painted{};
                OnFlip([&](uint64_t flips) {
                    if (flips != 2) return;
                    // The nine loads lock before the painting does.
                    FailAt(Call::Lock, 9 + 1 + which, result);
                    OnKeyDown(MainWindow, '4', TRUE, 1, 0);
                    LPDIRECTDRAWSURFACE surfaces[] = {BackgroundSurface, PrimarySurface, BackBuffer};
                    for (int i = 0; i < 3; ++i) painted[i] = ReadSurface(surfaces[i]).at(100, 100) == 2;
                    PostMessage(MainWindow, WM_KEYDOWN, VK_ESCAPE, 0);
                });
                EXPECT_EQ(RunWinMain(), 0);
                for (int i = 0; i < 3; ++i) EXPECT_EQ(painted[i], i != which) << "surface " << i;
                EXPECT_TRUE(MessageBoxes().empty());
                EXPECT_EQ(Flips(), 2u);
                EXPECT_EQ(LiveObjects(), 0);
            });
        }
    }
}

// Copies and flips that fail while frames are drawn are not looked at: the
// frame goes on, the counters still count it, and the program ends cleanly.
TEST(FaultSweep, FailingCopiesAndFlipsAreSurvived) {
    struct Case {
        Call call;
        int first, last, step;
    };
    const Case cases[] = {
        {Call::BltFast, 1, 2000, 1},   // every copy of the first frames
        {Call::BltFast, 1, 20000, 7},  // scattered copies, panel cells among them
        {Call::Flip, 1, 50, 1},        // nothing reaches the screen for a while
        {Call::Flip, 3, 3000, 2},
    };
    for (const Case& c : cases) {
        for (HRESULT result : Results) {
            SCOPED_TRACE(std::string(CallName(c.call)) + " from " + std::to_string(c.first) + " every " +
                         std::to_string(c.step) + " returning " + std::to_string(result));
            InFreshProcess([&c, result] {
                Key(AtMs(0), 'B');
                for (int n = c.first; n <= c.last; n += c.step) FailAt(c.call, n, result);
                // Flips may fail: the script runs on the clock, not on frames.
                Key(AtMs(700), '1');
                Key(AtMs(1400), 'B');
                Key(AtMs(2500), VK_ESCAPE);
                std::string broken;
                CounterWatch counters(false);
                OnFlip([&](uint64_t) {
                    if (!broken.empty()) return;
                    broken = CardsInBounds();
                    if (broken.empty()) broken = counters.AfterFlip();
                });
                EXPECT_EQ(RunWinMain(), 0);
                EXPECT_EQ(broken, "");
                EXPECT_EQ(CardsInBounds(), "");
                EXPECT_EQ(TotalFrames, CallCount(Call::Flip));
                EXPECT_GT(Flips(), 0u);
                EXPECT_TRUE(MessageBoxes().empty());
                EXPECT_EQ(LiveObjects(), 0);
                EXPECT_EQ(ScreenWidth, 320);
            });
        }
    }
}
