// The SDL presenter per frame at each mode: bk_Present, which converts the
// 8-bit picture through the palette into the streaming texture and uploads
// it, and the same 256-entry lookup into plain memory for comparison.
// Needs a display (Xvfb will do).
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../posix/backend.h"

namespace {

struct Mode {
    int width, height;
};
const Mode Modes[] = {{320, 200}, {320, 240}, {400, 300}, {640, 400}, {640, 480}, {800, 600}, {1024, 768}};

PALETTEENTRY Palette[256];
std::string RendererName = "none";

std::vector<uint8_t> Picture(Mode m) {
    std::vector<uint8_t> pixels(static_cast<size_t>(m.width) * m.height);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 7 + i / 640);
    return pixels;
}

void Present(benchmark::State& state) {
    Mode m = Modes[state.range(0)];
    if (!bk_SetMode(m.width, m.height)) {
        state.SkipWithError("bk_SetMode failed");
        return;
    }
    std::vector<uint8_t> pixels = Picture(m);
    DamageRegion all;
    DamageSetAll(all, m.width, m.height);
    bk_Present(pixels.data(), m.width, m.width, m.height, Palette, true, all);
    for (auto _ : state) bk_Present(pixels.data(), m.width, m.width, m.height, Palette, false, all);
    state.SetLabel(std::to_string(m.width) + "x" + std::to_string(m.height) + " " + RendererName);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(pixels.size()));
}
BENCHMARK(Present)->DenseRange(0, 6)->Unit(benchmark::kMicrosecond);

void Lookup(benchmark::State& state) {
    Mode m = Modes[state.range(0)];
    std::vector<uint8_t> pixels = Picture(m);
    std::vector<uint32_t> out(pixels.size());
    uint32_t lut[256];
    for (int i = 0; i < 256; ++i)
        lut[i] = 0xFF000000u | Palette[i].peRed << 16 | Palette[i].peGreen << 8 | Palette[i].peBlue;
    for (auto _ : state) {
        const uint8_t* src = pixels.data();
        uint32_t* dst = out.data();
        for (size_t i = 0; i < pixels.size(); ++i) dst[i] = lut[src[i]];
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::to_string(m.width) + "x" + std::to_string(m.height));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(pixels.size()));
}
BENCHMARK(Lookup)->DenseRange(0, 6)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    for (int i = 0; i < 256; ++i)
        Palette[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 3), 0};
    if (!bk_OpenDisplay()) {
        std::printf("SDL display unavailable: %s\n", SDL_GetError());
        return 0;
    }
    if (SDL_Window* w = SDL_GetWindowFromID(1))
        if (SDL_Renderer* r = SDL_GetRenderer(w)) {
            SDL_RendererInfo info;
            if (SDL_GetRendererInfo(r, &info) == 0) RendererName = info.name;
        }
    benchmark::AddCustomContext("sdl_renderer", RendererName);
    benchmark::AddCustomContext("sdl_video_driver", SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "none");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bk_CloseDisplay();
    return 0;
}
