#include "invariants.h"

#include <iconv.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>

#include "display/display.h"
#include "headless.h"
#include "scene/scene.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELKARO_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VELKARO_ASAN 1
#endif
#ifdef VELKARO_ASAN
// From the sanitizer runtime (declared here: not every compiler ships the headers).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
extern "C" int __lsan_do_recoverable_leak_check();
#endif

namespace {
std::string Describe(const char* format, long a = 0, long b = 0, long c = 0, long d = 0) {
    char text[256];
    std::snprintf(text, sizeof text, format, a, b, c, d);
    return text;
}
bool LegalStep(int32_t step) { return step == -2 || step == -1 || step == 1 || step == 2; }
}  // namespace

std::string CardsInBounds() {
    for (int i = 0; i < CARD_COUNT; ++i) {
        const SpriteRecord& card = SpriteTable[i];
        if (card.x < 16 || card.x > ScreenWidth - 48 || card.y < 16 || card.y > ScreenHeight - 16)
            return Describe("card %ld at (%ld, %ld) is outside the bounds of the %ld-wide mode", i, card.x, card.y,
                            ScreenWidth) +
                   Describe(" x %ld", ScreenHeight);
        if (!LegalStep(card.dx) || !LegalStep(card.dy))
            return Describe("card %ld has step (%ld, %ld)", i, card.dx, card.dy);
        if (card.frame < 0 || card.frame > 7) return Describe("card %ld shows frame %ld", i, card.frame);
    }
    return {};
}

std::string CounterWatch::AfterFlip() {
    int flipCalls = headless::CallCount(Call::Flip);
    int frames = flipCalls - lastFlipCalls_;
    lastFlipCalls_ = flipCalls;
    if (TotalFrames != flipCalls)
        return Describe("TotalFrames is %ld after %ld frames", TotalFrames, flipCalls);
    if (FramesThisSecond < 1 || FramesThisSecond > TotalFrames || FramesPerSecond < 0 ||
        FramesPerSecond > TotalFrames)
        return Describe("counters out of range: this second %ld, per second %ld, total %ld", FramesThisSecond,
                        FramesPerSecond, TotalFrames);
    bool ticked = FramesThisSecond != lastThisSecond_ + frames;
    if (ticked) {
        if (FramesThisSecond > frames)
            return Describe("FramesThisSecond went from %ld to %ld in %ld frames", lastThisSecond_,
                            FramesThisSecond, frames);
        ++resets_;
        if (strict_ && frames == 1 && FramesPerSecond != lastThisSecond_)
            return Describe("the tick moved %ld into FramesPerSecond instead of %ld", FramesPerSecond,
                            lastThisSecond_);
    }
    lastThisSecond_ = FramesThisSecond;
    uint64_t now = headless::NowMicros();
    if (strict_) {
        // A tick falls due every 1000 ms and is taken before the first frame
        // after it: every whole second passed at the last frame has ticked,
        // and no second that has not yet passed.
        long passedBefore = static_cast<long>(lastMicros_ / 1000000);
        long passed = static_cast<long>(now / 1000000);
        long resets = static_cast<long>(resets_);
        if (resets < passedBefore || resets > passed)
            return Describe("%ld counter resets at %ld ms, %ld ms at the frame before", resets,
                            static_cast<long>(now / 1000), static_cast<long>(lastMicros_ / 1000));
    }
    lastMicros_ = now;
    return {};
}

std::string FatalMessage(const std::string& step) {
    std::string utf8 = "Программа прервана\nОшибка в " + step;
    std::string out(utf8.size(), '\0');
    iconv_t cd = iconv_open("CP1251", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    char* in = utf8.data();
    char* to = out.data();
    size_t inLeft = utf8.size(), outLeft = out.size();
    size_t done = iconv(cd, &in, &inLeft, &to, &outLeft);
    iconv_close(cd);
    if (done == static_cast<size_t>(-1)) return {};
    out.resize(out.size() - outLeft);
    return out;
}

std::string FatalMessagesWellFormed() {
    const auto& boxes = headless::MessageBoxes();
    if (boxes.empty()) return {};
    for (const auto& box : boxes)
        if (box.caption != "Velkaro") return "a message box captioned \"" + box.caption + "\"";
    static const char* const Steps[] = {"DirectDrawCreate", "SetCooperativeLevel", "SetDisplayMode",
                                        "CreateSurfaces", "PrepareSurfaces"};
    if (boxes.size() == 1) {
        for (const char* step : Steps)
            if (boxes[0].text == FatalMessage(step)) return {};
        return "an unknown single message";
    }
    if (boxes.size() == 2 && boxes[1].text == FatalMessage("PrepareSurfaces") &&
        (boxes[0].text == FatalMessage("Error loading from resource!") ||
         boxes[0].text == FatalMessage("CreatePalette error")))
        return {};
    return Describe("%ld message boxes that are not one report", static_cast<long>(boxes.size()));
}

size_t HeapInUse() {
#ifdef VELKARO_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

size_t ResidentBytes() {
    unsigned long size = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    if (std::fscanf(f, "%lu %lu", &size, &resident) != 2) resident = 0;
    std::fclose(f);
    return resident * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

int LeakCheck() {
#ifdef VELKARO_ASAN
    return __lsan_do_recoverable_leak_check();
#else
    return 0;
#endif
}
