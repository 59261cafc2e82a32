// The SDL back end's cost of showing one frame at each mode: bk_Present
// (copy, palette lookup and upload of what changed) and the flip's show,
// unpaced. Two kinds of frame: the whole picture changed, and a steady
// frame's damage (three moved cards with captions and the panel's cells).
// The presenter is the one VELKARO_PRESENTER names, or the automatic choice;
// tools/bench.sh runs this once per presenter. Needs a display (Xvfb will do).
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../posix/backend.h"

namespace {

struct Mode {
    int width, height;
};
const Mode Modes[] = {{320, 200}, {320, 240}, {400, 300}, {640, 400}, {640, 480}, {800, 600}, {1024, 768}};

PALETTEENTRY Palette[256];

std::vector<uint8_t> Picture(Mode m) {
    std::vector<uint8_t> pixels(static_cast<size_t>(m.width) * m.height);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 7 + i / 640);
    return pixels;
}

// What a steady frame hands the back end: each card's old and new places
// with its caption, and the panel's four numbers.
DamageRegion SteadyDamage(Mode m, int frame) {
    DamageRegion region;
    for (int card = 0; card < 3; ++card) {
        int x = (card * 211 + frame * (card + 1)) % (m.width - 80) + 16;
        int y = (card * 97 + frame) % (m.height - 50) + 16;
        DamageAdd(region, {x - 16, y - 16, x + 50, y + 18}, m.width, m.height);
    }
    for (int row = 0; row < 3; ++row)
        DamageAdd(region, {m.width - 80, m.height - 48 + row * 14, m.width - 8, m.height - 36 + row * 14},
                  m.width, m.height);
    return region;
}

void Present(benchmark::State& state, bool whole) {
    Mode m = Modes[state.range(0)];
    if (!bk_SetMode(m.width, m.height)) {
        state.SkipWithError("bk_SetMode failed");
        return;
    }
    std::vector<uint8_t> pixels = Picture(m);
    DamageRegion all;
    DamageSetAll(all, m.width, m.height);
    bk_Present(pixels.data(), m.width, m.width, m.height, Palette, true, all);
    bk_Flipped();
    int frame = 0;
    int64_t damaged = 0;
    for (auto _ : state) {
        DamageRegion damage = whole ? all : SteadyDamage(m, ++frame);
        for (int i = 0; i < damage.count; ++i)  // the changed pixels really change
            pixels[size_t(damage.rects[i].top) * m.width + damage.rects[i].left] ^= 1;
        bk_Present(pixels.data(), m.width, m.width, m.height, Palette, false, damage);
        bk_Flipped();
        damaged += DamageArea(damage);
    }
    state.SetLabel(std::to_string(m.width) + "x" + std::to_string(m.height));
    state.counters["damaged_pixels"] = benchmark::Counter(double(damaged), benchmark::Counter::kAvgIterations);
}

void Whole(benchmark::State& state) { Present(state, true); }
void Steady(benchmark::State& state) { Present(state, false); }
BENCHMARK(Whole)->DenseRange(0, 6)->Unit(benchmark::kMicrosecond);
BENCHMARK(Steady)->DenseRange(0, 6)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    setenv("SDL_RENDER_VSYNC", "0", 1);  // measure the work, not the wait
    for (int i = 0; i < 256; ++i)
        Palette[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 3), 0};
    if (!bk_OpenDisplay()) {
        std::printf("SDL display unavailable: %s\n", SDL_GetError());
        return 0;
    }
    std::string renderer = "surface";
    if (SDL_Window* w = SDL_GetWindowFromID(1))
        if (SDL_Renderer* r = SDL_GetRenderer(w)) {
            SDL_RendererInfo info;
            if (SDL_GetRendererInfo(r, &info) == 0) renderer = std::string("texture (") + info.name + ")";
        }
    benchmark::AddCustomContext("presenter", renderer);
    benchmark::AddCustomContext("sdl_video_driver", SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "none");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bk_CloseDisplay();
    return 0;
}
