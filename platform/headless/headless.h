// The headless back end's controls, for tests, capture and benchmarks.
// Everything runs in-process on a virtual clock: nothing sleeps, and the
// same script gives the same run.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "../posix/backend.h"
#include "../posix/ddraw_objects.h"

namespace headless {

// Configuration; call before WinMain.
void SetDesktop(int width, int height);                      // default 800 x 600
void SetModes(std::vector<std::pair<int, int>> modes);       // default: the seven 8-bit modes
void SetPitchPadding(int bytes);                             // extra bytes per surface row, default 0
void SetFrameMicros(uint64_t micros);                        // virtual time per Flip, default 16667
void SetIdleMicros(uint64_t micros);                         // virtual time per empty poll, default 1000
void SetDisplayAvailable(bool available);                    // false: DirectDrawCreate fails
void SetMessageBoxMicros(uint64_t micros);                   // virtual time a box stays open, default 0
void SetTimeLimitMicros(uint64_t micros);                    // abort past this, default 600 s
void SetCaptureScreen(bool capture);                         // keep a copy of each presented picture, default on
// Check at every present that the pixels outside the reported damage equal
// the picture presented before (implies capturing the screen). Default off.
void SetCheckDamage(bool check);

// Make the nth call (1-based, counted from now) of `call` fail with `result`.
void FailAt(Call call, int nth, HRESULT result);
// Number of times `call` has been made so far.
int CallCount(Call call);

// Scripted input. A trigger is a virtual time in milliseconds or a count
// of flips; the message is posted when the trigger is reached.
struct Trigger {
    enum Kind { AtMillis, AtFrame } kind;
    uint64_t value;
};
inline Trigger AtMs(uint64_t ms) { return {Trigger::AtMillis, ms}; }
inline Trigger AfterFrames(uint64_t frames) { return {Trigger::AtFrame, frames}; }
void Key(Trigger when, unsigned virtualKey, int repeat = 1);
// WM_SYSKEYDOWN: a key typed with Alt held (the context bit set), or F10 without.
void SysKey(Trigger when, unsigned virtualKey, bool altHeld = true);
void Mouse(Trigger when, int x, int y, unsigned keyFlags = 0);
void Activate(Trigger when, unsigned state, bool minimized = false);  // WA_INACTIVE / WA_ACTIVE / WA_CLICKACTIVE
void Close(Trigger when);                                    // WM_CLOSE, as from the desktop
void Post(Trigger when, unsigned message, uintptr_t wParam, intptr_t lParam);

// Called after each Flip with the number of flips so far.
void OnFlip(std::function<void(uint64_t flips)> hook);

// Observation.
uint64_t NowMicros();
uint64_t Flips();
int LiveObjects();                // DirectDraw objects alive (surfaces, palettes, display objects)
int LiveObjectsOfKind(ObjectKind kind);
bool CursorVisible();
bool WindowVisible();
int PresentCount();

// What the damage check found since it was turned on.
struct DamageReport {
    uint64_t presents = 0;        // presents checked
    uint64_t wrongStretches = 0;     // stretches outside the damage that differ from the last picture
    uint64_t damagedPixels = 0;   // pixels reported as damaged, summed over presents
    std::string firstWrong;       // where the first wrong pixel was, for messages
};
const DamageReport& DamageCheck();

struct MessageBoxRecord {
    std::string text;             // bytes as given (Windows-1251)
    std::string caption;
    bool windowAlive;             // whether the owner window still existed
    int liveObjects;              // DirectDraw objects alive while the box was open
};
const std::vector<MessageBoxRecord>& MessageBoxes();

// The screen: the last picture presented, as palette indices, and the palette.
struct Screen {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;  // width * height
    PALETTEENTRY palette[256] = {};
};
const Screen& LastScreen();

}  // namespace headless
