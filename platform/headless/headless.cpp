// The headless back end: a virtual clock, scripted input, fault injection
// and an in-memory screen. Nothing here sleeps or touches a real display.
#include "headless.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../posix/ddraw_objects.h"

namespace headless {
namespace {

struct Scheduled {
    Trigger when;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool delivered;
};

struct Fault {
    Call call;
    int at;  // absolute call number
    HRESULT result;
};

int DesktopWidth = 800, DesktopHeight = 600;
std::vector<std::pair<int, int>> Modes = {{320, 200}, {320, 240}, {400, 300}, {640, 400},
                                          {640, 480}, {800, 600}, {1024, 768}};
int PitchPadding;
uint64_t FrameMicros = 16667, IdleMicros = 1000, BoxMicros, LimitMicros = 600000000ull;
bool DisplayAvailable = true;
bool CaptureScreen = true;
bool CheckDamage = false;
bool ShownStale = true;  // some picture was presented and not copied
DamageReport Checked;

uint64_t Now;
uint64_t FlipCount;
int Presents;
bool Cursor = true, Visible;
int Calls[static_cast<int>(Call::Count)];
std::vector<Fault> Faults;
std::vector<Scheduled> Script;
std::function<void(uint64_t)> FlipHook;
std::vector<MessageBoxRecord> Boxes;
Screen Shown;

bool Due(const Trigger& t) {
    return t.kind == Trigger::AtMillis ? Now >= t.value * 1000 : FlipCount >= t.value;
}

void Schedule(Trigger when, UINT message, WPARAM wParam, LPARAM lParam) {
    Script.push_back({when, message, wParam, lParam, false});
}

}  // namespace

void SetDesktop(int width, int height) { DesktopWidth = width, DesktopHeight = height; }
void SetModes(std::vector<std::pair<int, int>> modes) { Modes = std::move(modes); }
void SetPitchPadding(int bytes) { PitchPadding = bytes; }
void SetFrameMicros(uint64_t micros) { FrameMicros = micros; }
void SetIdleMicros(uint64_t micros) { IdleMicros = micros; }
void SetDisplayAvailable(bool available) { DisplayAvailable = available; }
void SetMessageBoxMicros(uint64_t micros) { BoxMicros = micros; }
void SetTimeLimitMicros(uint64_t micros) { LimitMicros = micros; }
void SetCaptureScreen(bool capture) { CaptureScreen = capture; }
void SetCheckDamage(bool check) {
    CheckDamage = check;
    Checked = {};
}
const DamageReport& DamageCheck() { return Checked; }

void FailAt(Call call, int nth, HRESULT result) {
    Faults.push_back({call, Calls[static_cast<int>(call)] + nth, result});
}
int CallCount(Call call) { return Calls[static_cast<int>(call)]; }

void Key(Trigger when, unsigned virtualKey, int repeat) {
    Schedule(when, WM_KEYDOWN, virtualKey, MAKELPARAM(repeat, 0));
}
void SysKey(Trigger when, unsigned virtualKey, bool altHeld) {
    Schedule(when, WM_SYSKEYDOWN, virtualKey, MAKELPARAM(1, altHeld ? 0x2000 : 0));
}
void Mouse(Trigger when, int x, int y, unsigned keyFlags) {
    Schedule(when, WM_MOUSEMOVE, keyFlags, MAKELPARAM(x, y));
}
void Activate(Trigger when, unsigned state, bool minimized) {
    Schedule(when, WM_ACTIVATE, MAKEWPARAM(state, minimized ? 1 : 0), 0);
}
void Close(Trigger when) { Schedule(when, WM_CLOSE, 0, 0); }
void Post(Trigger when, unsigned message, uintptr_t wParam, intptr_t lParam) {
    Schedule(when, message, wParam, lParam);
}
void OnFlip(std::function<void(uint64_t)> hook) { FlipHook = std::move(hook); }

uint64_t NowMicros() { return Now; }
uint64_t Flips() { return FlipCount; }
int LiveObjects() {
    return ddraw_LiveObjects(ObjectKind::DirectDraw) + ddraw_LiveObjects(ObjectKind::Surface) +
           ddraw_LiveObjects(ObjectKind::Palette);
}
int LiveObjectsOfKind(ObjectKind kind) { return ddraw_LiveObjects(kind); }
bool CursorVisible() { return Cursor; }
bool WindowVisible() { return Visible; }
int PresentCount() { return Presents; }
const std::vector<MessageBoxRecord>& MessageBoxes() { return Boxes; }
const Screen& LastScreen() { return Shown; }

}  // namespace headless

using namespace headless;

uint64_t bk_NowMicros() { return Now; }

void bk_PumpEvents() {
    if (Now > LimitMicros) {
        std::fprintf(stderr, "headless: the run passed its time limit of %llu us\n",
                     static_cast<unsigned long long>(LimitMicros));
        std::abort();
    }
    for (Scheduled& s : Script) {
        if (s.delivered || !Due(s.when)) continue;
        s.delivered = true;
        win_PostInput(s.message, s.wParam, s.lParam);
    }
}

void bk_Idle() { Now += IdleMicros; }

void bk_ScreenSize(int* width, int* height) {
    *width = DesktopWidth;
    *height = DesktopHeight;
}

void bk_ShowWindow(bool visible) { Visible = visible; }
void bk_ShowCursor(bool visible) { Cursor = visible; }
bool bk_OpenDisplay() { return DisplayAvailable; }
void bk_CloseDisplay() {}

bool bk_ModeOffered(int width, int height) {
    return std::find(Modes.begin(), Modes.end(), std::make_pair(width, height)) != Modes.end();
}

bool bk_SetMode(int, int) { return true; }

int bk_PitchFor(int width) { return width + PitchPadding; }

namespace {

void NoteWrong(int x, int y, int width, int height) {
    if (Checked.wrongStretches++ == 0)
        Checked.firstWrong = "present " + std::to_string(Checked.presents) + " at (" + std::to_string(x) +
                             ", " + std::to_string(y) + ") of " + std::to_string(width) + "x" +
                             std::to_string(height);
}

// Row by row, the stretches the damage leaves out must match the last
// picture. Cheap enough to run over every frame of the soak.
void CheckAgainstShown(const uint8_t* pixels, int pitch, int width, int height, const DamageRegion& damage) {
    ++Checked.presents;
    Checked.damagedPixels += static_cast<uint64_t>(DamageArea(damage));
    if (ShownStale) return;  // nothing to compare with
    if (Shown.width != width || Shown.height != height) {
        if (DamageArea(damage) != int64_t(width) * height) NoteWrong(0, 0, width, height);
        return;
    }
    for (int y = 0; y < height; ++y) {
        const uint8_t* now = pixels + static_cast<size_t>(y) * pitch;
        const uint8_t* before = &Shown.pixels[static_cast<size_t>(y) * width];
        int x = 0;
        while (x < width) {
            int end = width;  // the undamaged stretch from x
            bool covered = false;
            for (int i = 0; i < damage.count; ++i) {
                const DamageRect& r = damage.rects[i];
                if (y < r.top || y >= r.bottom || r.right <= x) continue;
                if (r.left <= x) {
                    covered = true;
                    x = r.right;
                    break;
                }
                end = std::min(end, r.left);
            }
            if (covered) continue;
            if (std::memcmp(now + x, before + x, static_cast<size_t>(end - x)) != 0) {
                int at = x;
                while (now[at] == before[at]) ++at;
                NoteWrong(at, y, width, height);
            }
            x = end;
        }
    }
}

}  // namespace

// Like a real screen, the copy changes only where the damage says.
void bk_Present(const uint8_t* pixels, int pitch, int width, int height,
                const PALETTEENTRY* palette, bool paletteChanged, const DamageRegion& damage) {
    ++Presents;
    if (!CaptureScreen && !CheckDamage) {
        ShownStale = true;
        return;
    }
    if (CheckDamage) CheckAgainstShown(pixels, pitch, width, height, damage);
    DamageRegion copied = damage;
    if (ShownStale || Shown.width != width || Shown.height != height) {
        Shown.width = width;
        Shown.height = height;
        Shown.pixels.resize(static_cast<size_t>(width) * height);
        DamageSetAll(copied, width, height);
        ShownStale = false;
    }
    DamageCopy(copied, pixels, pitch, Shown.pixels.data(), width);
    if (palette && paletteChanged) std::memcpy(Shown.palette, palette, sizeof Shown.palette);
    if (!palette) std::memset(Shown.palette, 0, sizeof Shown.palette);
}

void bk_Flipped() {
    ++FlipCount;
    Now += FrameMicros;
    if (FlipHook) FlipHook(FlipCount);
}

void bk_MessageBox(const char* text, const char* caption) {
    Boxes.push_back({text, caption, win_MainWindow() != nullptr, LiveObjects()});
    // The box's own loop keeps timers and activation running while it is open.
    for (uint64_t end = Now + BoxMicros; Now < end;) {
        Now += 1000;
        win_ModalPump();
    }
}

HRESULT bk_Fault(Call call) {
    int n = ++Calls[static_cast<int>(call)];
    for (const Fault& f : Faults)
        if (f.call == call && f.at == n) return f.result;
    return 0;
}
