// Time of one frame (RenderFrame and its flip) over the headless back end,
// and of a display bring-up and a mode switch. Prints figures only.
#include <benchmark/benchmark.h>

#include "scene_setup.h"

namespace {

HWND Window;

void Frame(benchmark::State& state) {
    bench::Mode mode = bench::Modes[state.range(0)];
    bool panel = state.range(1) != 0;
    bench::Prepare(Window, mode, panel);
    for (auto _ : state) RenderFrame();
    state.SetLabel(std::to_string(mode.width) + "x" + std::to_string(mode.height) +
                   (panel ? " with panel" : " no panel"));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(Frame)->ArgsProduct({{0, 1, 2}, {0, 1}});

// Releasing everything and bringing the display up again at 800 x 600:
// surfaces, palette, bitmaps, scattering and three background fills.
void BringUp(benchmark::State& state) {
    bench::Prepare(Window, {800, 600}, true);
    for (auto _ : state) {
        ReleaseAllObjects();
        InitDirectDraw(Window, 800, 600, 8);
    }
}
BENCHMARK(BringUp)->Unit(benchmark::kMicrosecond);

// A mode key: 640 x 480 and 800 x 600 in turn.
void ModeSwitch(benchmark::State& state) {
    bench::Prepare(Window, {800, 600}, true);
    bool small = true;
    for (auto _ : state) {
        if (small)
            SwitchDisplayMode(Window, 640, 480, 8);
        else
            SwitchDisplayMode(Window, 800, 600, 8);
        small = !small;
    }
}
BENCHMARK(ModeSwitch)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Window = bench::StartProgram();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
