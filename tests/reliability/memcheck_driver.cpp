// A short headless run of the program in this very process, for memcheck:
// no fork, no test framework, so every allocation of the program and the
// platform layer is seen from start to exit. Exits 0 when the run kept its
// invariants; memcheck adds its own verdict.
#include <cstdio>
#include <cstring>
#include <string>

#include "display/display.h"
#include "headless.h"
#include "invariants.h"
#include "scene/scene.h"
#include "shell/shell.h"

using namespace headless;

namespace {

std::string Broken;

void Watch() {
    static CounterWatch counters(true);
    OnFlip([](uint64_t flips) {
        if (!Broken.empty()) return;
        std::string why = CardsInBounds();
        if (why.empty()) why = counters.AfterFlip();
        if (!why.empty()) Broken = "after flip " + std::to_string(flips) + ": " + why;
    });
}

// Background styles, every mode key, mouse steps of one pixel, then Esc.
int Run() {
    Watch();
    SetCaptureScreen(true);
    uint64_t frame = 1;
    for (int i = 0; i < 9; ++i) Key(AfterFrames(frame++), 'B');
    for (unsigned key = '1'; key <= '7'; ++key) {
        Key(AfterFrames(frame), key);
        Mouse(AfterFrames(frame + 1), 100 + static_cast<int>(key - '1'), 100);
        frame += 40;
    }
    Key(AfterFrames(frame), VK_ESCAPE);
    int code = WinMain(nullptr, nullptr, const_cast<char*>(""), SW_SHOWNORMAL);
    if (code != 0) Broken = "exit code " + std::to_string(code);
    if (Broken.empty() && Flips() != frame) Broken = "the run ended after " + std::to_string(Flips()) + " frames";
    if (Broken.empty() && !MessageBoxes().empty()) Broken = "a message box in a clean run";
    return 0;
}

// A load failing at start: two reports, the display released, no frame.
int FatalAtStart() {
    FailAt(Call::Lock, 5, DDERR_SURFACEBUSY);
    int code = WinMain(nullptr, nullptr, const_cast<char*>(""), SW_SHOWNORMAL);
    if (code != 0) Broken = "exit code " + std::to_string(code);
    if (MessageBoxes().size() != 2) Broken = "expected two reports";
    if (Flips() != 0) Broken = "a frame after the failure";
    return 0;
}

// A surface failing in the switch of a mode key, with the panel on.
int FatalAfterModeKey() {
    Watch();
    Key(AfterFrames(3), 'B');
    Key(AfterFrames(30), '7');
    OnFlip([](uint64_t flips) {
        if (flips == 30) FailAt(Call::CreateSurface, 4, DDERR_OUTOFMEMORY);
    });
    int code = WinMain(nullptr, nullptr, const_cast<char*>(""), SW_SHOWNORMAL);
    if (code != 0) Broken = "exit code " + std::to_string(code);
    if (MessageBoxes().size() != 1 || MessageBoxes()[0].text != FatalMessage("CreateSurfaces"))
        Broken = "expected the CreateSurfaces report";
    if (Flips() != 30) Broken = "a frame after the failure";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string scenario = argc > 1 ? argv[1] : "run";
    if (scenario == "run") Run();
    else if (scenario == "fatal-at-start") FatalAtStart();
    else if (scenario == "fatal-after-mode-key") FatalAfterModeKey();
    else {
        std::fprintf(stderr, "unknown scenario %s\n", scenario.c_str());
        return 2;
    }
    if (Broken.empty()) Broken = FatalMessagesWellFormed();
    if (Broken.empty() && LiveObjects() != 0) Broken = std::to_string(LiveObjects()) + " DirectDraw objects alive";
    if (!Broken.empty()) {
        std::fprintf(stderr, "%s: %s\n", scenario.c_str(), Broken.c_str());
        return 1;
    }
    std::printf("%s: %llu frames, %zu message boxes, clean\n", scenario.c_str(),
                static_cast<unsigned long long>(Flips()), MessageBoxes().size());
    return 0;
}
