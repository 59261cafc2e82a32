// The SDL2 back end: a desktop-sized window showing the 8-bit picture through
// its palette, scaled with sharp pixels; SDL events become window messages.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "../posix/backend.h"
#include "cp1251.h"
#include "host_window.h"
#include "input_map.h"
#include "presenter.h"
#include "screen_map.h"
#include "session_end.h"

static_assert(SDL_SCANCODE_A == sdlmap::ScanA && SDL_SCANCODE_Z == sdlmap::ScanZ, "scan codes");
static_assert(SDL_SCANCODE_1 == sdlmap::Scan1 && SDL_SCANCODE_0 == sdlmap::Scan0, "scan codes");
static_assert(SDL_SCANCODE_SPACE == sdlmap::ScanSpace && SDL_SCANCODE_ESCAPE == sdlmap::ScanEscape,
              "scan codes");
static_assert(SDL_SCANCODE_KP_1 == sdlmap::ScanKp1 && SDL_SCANCODE_KP_0 == sdlmap::ScanKp0,
              "scan codes");
static_assert(SDL_SCANCODE_F1 == sdlmap::ScanF1 && SDL_SCANCODE_UP == sdlmap::ScanUp, "scan codes");
static_assert(SDL_SCANCODE_LCTRL == sdlmap::ScanLCtrl && SDL_SCANCODE_RALT == sdlmap::ScanRAlt,
              "scan codes");
static_assert(KMOD_LCTRL == sdlmap::ModLCtrl && KMOD_RCTRL == sdlmap::ModRCtrl &&
                  KMOD_LALT == sdlmap::ModLAlt && KMOD_RALT == sdlmap::ModRAlt,
              "modifiers");
static_assert(SDL_BUTTON_LMASK == 1 && SDL_BUTTON_MMASK == 2 && SDL_BUTTON_RMASK == 4, "buttons");

namespace {

using Clock = std::chrono::steady_clock;
const Clock::time_point StartTime = Clock::now();

bool VideoUp = false;  // SDL's video subsystem is initialised
bool DisplayOpen = false;
bool WantVisible = false;
bool WantCursor = true;

SDL_Window* Window = nullptr;
sdlpresent::Presenter* Presenter = nullptr;
sdlpresent::Picture Picture;                // the picture as last presented; 0x0 before a mode
sdlmap::PixelRect MouseRect{0, 0, 0, 0};   // in window coordinates, as events give them
bool ScreenCurrent = true;  // the window shows everything presented

bool VsyncTrusted = false;
int FastFlips = 0;
Clock::duration FramePeriod = std::chrono::microseconds(16667);
Clock::time_point NextFlip{};
Clock::time_point LastFlip{};

sdlmap::MouseTrack Mouse;

bool StartVideo() {
    static bool tried = false;
    if (VideoUp || tried) return VideoUp;
    tried = true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    // SDL falls back to drivers that show nothing; a screen saver running
    // unseen and deaf would never end. Only an explicit choice gets them.
    const char* chosen = SDL_getenv("SDL_VIDEODRIVER");
    const char* driver = SDL_GetCurrentVideoDriver();
    if ((!chosen || !*chosen) && driver &&
        (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    VideoUp = true;
    sdlsession::Watch(driver);
    // The program never says when it is done with the display for good.
    std::atexit([] {
        delete Presenter;
        if (Window) SDL_DestroyWindow(Window);
        Presenter = nullptr;
        Window = nullptr;
        SDL_Quit();
    });
    return true;
}

void UpdateRects() {
    int ww = 0, wh = 0;
    SDL_GetWindowSize(Window, &ww, &wh);
    MouseRect = sdlmap::PictureRect(Picture.width, Picture.height, ww, wh);
}

// The cursor stays on its picture pixel when the picture's mapping changes.
void KeepCursor() {
    int cx = 0, cy = 0, wx, wy;
    SDL_GetMouseState(&cx, &cy);
    if (sdlmap::TrackNewPicture(Mouse, MouseRect, Picture.width, Picture.height, cx, cy,
                                bk_NowMicros(), &wx, &wy))
        SDL_WarpMouseInWindow(Window, wx, wy);
}

void Show() {
    Presenter->Show();
    ScreenCurrent = true;
}

// A flip waits for the retrace, as on the hardware; where vsync is missing
// or does not wait, the display's refresh period stands in for it. Asking
// SDL for no vsync (SDL_RENDER_VSYNC=0, as benchmarks do) turns pacing off.
void PaceFlip() {
    static const bool Unpaced = [] {
        const char* vsync = SDL_getenv("SDL_RENDER_VSYNC");
        return vsync && SDL_strcmp(vsync, "0") == 0;
    }();
    if (Unpaced) return;
    Clock::time_point now = Clock::now();
    if (VsyncTrusted) {
        FastFlips = now - LastFlip < FramePeriod / 3 ? FastFlips + 1 : 0;
        if (FastFlips >= 30) VsyncTrusted = false;
        LastFlip = now;
        NextFlip = now + FramePeriod;
        return;
    }
    if (now < NextFlip) {
        std::this_thread::sleep_until(NextFlip);
        NextFlip += FramePeriod;
    } else {
        NextFlip = now + FramePeriod;
    }
    LastFlip = Clock::now();
}

bool CreatePresenter() {
    Presenter = sdlpresent::ChoosePresenter(Window);
    if (!Presenter) return false;
    VsyncTrusted = Presenter->Vsync();
    FastFlips = 0;
    SDL_DisplayMode mode;
    int refresh = 60;
    if (SDL_GetCurrentDisplayMode(SDL_GetWindowDisplayIndex(Window), &mode) == 0 &&
        mode.refresh_rate >= 30 && mode.refresh_rate <= 500)
        refresh = mode.refresh_rate;
    FramePeriod = std::chrono::microseconds(1000000 / refresh);
    return true;
}

void OnWindowEvent(const SDL_WindowEvent& event) {
    switch (event.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED: win_SetFocus(true); break;
    case SDL_WINDOWEVENT_FOCUS_LOST: win_SetFocus(false); break;
    case SDL_WINDOWEVENT_CLOSE: win_PostInput(WM_CLOSE, 0, 0); break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        if (Presenter && Picture.width > 0) {
            Presenter->Relayout(Picture);
            UpdateRects();
            KeepCursor();
        }
        ScreenCurrent = false;
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        if (Presenter) Presenter->WindowExposed();
        ScreenCurrent = false;
        break;
    default: break;
    }
}

void OnMotion(const SDL_MouseMotionEvent& event) {
    int px, py;
    if (!sdlmap::TrackMotion(Mouse, MouseRect, Picture.width, Picture.height, event.x, event.y,
                             bk_NowMicros(), &px, &py))
        return;
    SDL_Keymod mods = SDL_GetModState();
    win_PostInput(WM_MOUSEMOVE,
                  sdlmap::MouseKeyFlags(event.state, mods & KMOD_SHIFT, mods & KMOD_CTRL),
                  MAKELPARAM(px, py));
}

}  // namespace

uint64_t bk_NowMicros() {
    return uint64_t(
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - StartTime).count());
}

void bk_PumpEvents() {
    if (!VideoUp) return;
    bool closing = false;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            unsigned vk = sdlmap::VirtualKey(event.key.keysym.scancode, event.key.keysym.sym);
            if (!vk) break;
            sdlmap::KeyMessage m = sdlmap::KeyEventMessage(event.type == SDL_KEYDOWN, event.key.repeat != 0,
                                                           vk, event.key.keysym.mod);
            win_PostInput(m.message, vk, m.lParam);
            break;
        }
        case SDL_MOUSEMOTION: OnMotion(event.motion); break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) closing = true;
            OnWindowEvent(event.window);
            break;
        case SDL_QUIT:
            // Also what SIGINT and SIGTERM become: end as the desktop's close does.
            if (!closing) win_PostInput(WM_CLOSE, 0, 0);
            closing = true;
            break;
        default: break;
        }
    }
    // A hang-up ends it as SIGTERM does.
    if (sdlsession::HangUpRequested() && !closing) win_PostInput(WM_CLOSE, 0, 0);
    if (DisplayOpen && !ScreenCurrent) Show();
}

void bk_Idle() {}

void bk_ScreenSize(int* width, int* height) {
    *width = 800;
    *height = 600;
    if (!StartVideo()) return;
    if (SDL_Window* host = HostWindow()) {
        SDL_GetWindowSize(host, width, height);
        return;
    }
    SDL_DisplayMode mode;
    int display = Window ? SDL_GetWindowDisplayIndex(Window) : 0;
    if (SDL_GetDesktopDisplayMode(display < 0 ? 0 : display, &mode) == 0 && mode.w > 0 &&
        mode.h > 0) {
        *width = mode.w;
        *height = mode.h;
    }
}

void bk_ShowWindow(bool visible) {
    WantVisible = visible;
    if (!Window || Window == HostWindow()) return;  // the host shows it
    if (visible) {
        SDL_ShowWindow(Window);
        SDL_RaiseWindow(Window);
        SDL_SetWindowInputFocus(Window);
    } else {
        SDL_HideWindow(Window);
    }
}

void bk_ShowCursor(bool visible) {
    WantCursor = visible;
    if (VideoUp && !HostWindow()) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

bool bk_OpenDisplay() {
    if (DisplayOpen) return true;
    if (!StartVideo()) return false;
    if (!Window) {
        // Sized to the desktop by itself: without a window manager nobody
        // acts on the full-screen request.
        SDL_Rect bounds{0, 0, 800, 600};
        SDL_GetDisplayBounds(0, &bounds);
        Window = HostWindow();
        if (!Window)
            Window = SDL_CreateWindow("Velkaro", bounds.x, bounds.y, bounds.w, bounds.h,
                                      SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS |
                                          SDL_WINDOW_HIDDEN);
        if (!Window) return false;
        if (!CreatePresenter()) {
            SDL_DestroyWindow(Window);
            Window = nullptr;
            return false;
        }
        SDL_ShowCursor(WantCursor ? SDL_ENABLE : SDL_DISABLE);
        if (WantVisible) bk_ShowWindow(true);
    }
    DisplayOpen = true;
    return true;
}

void bk_CloseDisplay() {
    // The window stays: a mode switch opens the display again at once.
    DisplayOpen = false;
}

bool bk_ModeOffered(int width, int height) {
    return sdlmap::ModeOffered(width, height);
}

bool bk_SetMode(int width, int height) {
    if (!DisplayOpen || !sdlmap::ModeOffered(width, height)) return false;
    if (!Presenter->SetPicture(width, height)) {
        Picture.width = Picture.height = 0;
        return false;
    }
    Picture.width = width;
    Picture.height = height;
    Picture.pixels.assign(size_t(width) * height, 0);
    UpdateRects();
    KeepCursor();
    ScreenCurrent = false;
    return true;
}

int bk_PitchFor(int width) {
    return width;
}

void bk_Present(const uint8_t* pixels, int pitch, int width, int height, const PALETTEENTRY* palette,
                bool paletteChanged, const DamageRegion& damage) {
    if (!DisplayOpen || width != Picture.width || height != Picture.height) return;
    // A new palette comes with the whole picture as damage.
    if (paletteChanged) Presenter->SetPalette(palette);
    DamageCopy(damage, pixels, pitch, Picture.pixels.data(), width);
    Presenter->Update(Picture, damage);
    ScreenCurrent = false;
}

void bk_Flipped() {
    if (!DisplayOpen) return;
    Show();
    PaceFlip();
}

void bk_MessageBox(const char* text, const char* caption) {
    std::string message = sdlmap::Cp1251ToUtf8(text);
    std::string title = sdlmap::Cp1251ToUtf8(caption);
    std::fprintf(stderr, "%s: %s\n", title.c_str(), message.c_str());
    std::fflush(stderr);
    if (!VideoUp) return;
    SDL_ShowSimpleMessageBox(0, title.c_str(), message.c_str(), nullptr);
}

HRESULT bk_Fault(Call) {
    return 0;
}
