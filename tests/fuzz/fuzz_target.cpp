// libFuzzer target: an input becomes a script of window messages (keys of
// every code, mouse positions to the extremes, activation with and without
// the minimized flag, timer ids, other messages, close) and of injected
// failures, played to the program over the headless back end; the run must
// keep the invariants of every frame and end cleanly.
//
// The program's state is module-level and starts as loaded, so each input
// runs in a child forked from the fuzzer. Coverage would stay in the child:
// the child copies its 8-bit counters into memory shared with the parent,
// which puts them into its own counters before libFuzzer reads them. The
// comparison traces of the child are not carried over; coverage is.
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "display/display.h"
#include "headless.h"
#include "invariants.h"
#include "scene/scene.h"
#include "shell/shell.h"

// The linker's bounds of the section that holds every 8-bit counter of the
// executable (this file is built without counters of its own).
extern "C" {
extern uint8_t __start___sancov_cntrs[] __attribute__((weak, visibility("hidden")));
extern uint8_t __stop___sancov_cntrs[] __attribute__((weak, visibility("hidden")));
}

using namespace headless;

namespace {

uint8_t* SharedCounters;
size_t CounterBytes;

constexpr int MaxEvents = 256;
constexpr uint64_t MaxScriptMs = 30000;
constexpr int MaxLiveObjects = 1 + 8 + 1 + 5;  // display, surfaces, screen palette, sheet palettes

const unsigned InterestingKeys[] = {'1', '2', '3', '4', '5', '6', '7', 'B', VK_SPACE, VK_ESCAPE, 'Q', VK_NUMPAD1, 0};
const HRESULT Results[] = {DDERR_GENERIC, 1, DDERR_OUTOFMEMORY, DDERR_SURFACEBUSY};
// Messages the program leaves to DefWindowProc.
const unsigned OtherMessages[] = {WM_NULL, 0x000F /* WM_PAINT */, 0x0101 /* WM_KEYUP */, 0x0102 /* WM_CHAR */,
                                  0x0104 /* WM_SYSKEYDOWN */, 0x0201 /* WM_LBUTTONDOWN */,
                                  0x0020 /* WM_SETCURSOR */, 0x001C /* WM_ACTIVATEAPP */, 0x0005 /* WM_SIZE */};

struct Reader {
    const uint8_t* data;
    size_t left;
    bool Done() const { return left == 0; }
    uint8_t Byte() {
        if (!left) return 0;
        --left;
        return *data++;
    }
    uint16_t Word() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
};

struct TimedFault {
    uint64_t ms;
    Call call;
    int nth;
    HRESULT result;
};
std::vector<TimedFault> PendingFaults;
std::string Broken;

void Fail(const std::string& why) {
    if (Broken.empty()) Broken = why;
}

uint64_t Script(Reader in) {
    uint64_t ms = 0;
    int mouseX = 0, mouseY = 0;
    for (int events = 0; !in.Done() && events < MaxEvents; ++events) {
        // The program's own keys take two bytes and most of the choices, so
        // that sequences of them stay short for the mutator.
        switch (in.Byte() % 12) {
            case 0:
            case 1:
            case 2:
                Key(AtMs(ms), InterestingKeys[in.Byte() % (sizeof InterestingKeys / sizeof *InterestingKeys)]);
                break;
            case 3: {  // any code, any repeat count and key flags
                uint16_t code = in.Word();
                uint16_t repeat = in.Word();
                Post(AtMs(ms), WM_KEYDOWN, code, MAKELPARAM(repeat, in.Byte() << 8));
                break;
            }
            case 4:  // the mouse anywhere in the 16-bit range
                mouseX = static_cast<int16_t>(in.Word());
                mouseY = static_cast<int16_t>(in.Word());
                Mouse(AtMs(ms), mouseX, mouseY, in.Byte());
                break;
            case 5:  // the mouse a step away from where it was
                mouseX = static_cast<int16_t>(mouseX + in.Byte() % 5 - 2);
                mouseY = static_cast<int16_t>(mouseY + in.Byte() % 5 - 2);
                Mouse(AtMs(ms), mouseX, mouseY, 0);
                break;
            case 6: {  // activation, with or without the minimized flag
                uint8_t b = in.Byte();
                unsigned state = b % 4 == 3 ? in.Word() : b % 4;
                Post(AtMs(ms), WM_ACTIVATE, MAKEWPARAM(state, (b & 0x80) ? 1 : 0), 0);
                break;
            }
            case 7: {  // a timer message: the program's two ids, or any other
                uint8_t b = in.Byte();
                Post(AtMs(ms), WM_TIMER, b < 160 ? (b & 1 ? 2 : 4) : in.Word(), 0);
                break;
            }
            case 8: {  // a failure of the nth call of a kind, counted from now
                Call call = static_cast<Call>(in.Byte() % static_cast<int>(Call::Count));
                int nth = in.Byte() + 1;
                HRESULT result = Results[in.Byte() % 4];
                if (ms == 0) FailAt(call, nth, result);
                else PendingFaults.push_back({ms, call, nth, result});
                break;
            }
            case 9:
                ms = std::min<uint64_t>(ms + in.Byte() * 4u, MaxScriptMs);
                break;
            case 10: {
                unsigned message = OtherMessages[in.Byte() % (sizeof OtherMessages / sizeof *OtherMessages)];
                uint16_t wParam = in.Word();
                Post(AtMs(ms), message, wParam, static_cast<intptr_t>(in.Word()));
                break;
            }
            case 11:
                Close(AtMs(ms));
                break;
        }
    }
    return ms;
}

// A leak check takes longer than the run itself: every input of a replay
// (VELKARO_FUZZ_LEAKS=all) is checked, and while fuzzing one input in eight,
// chosen by its bytes so that a finding reproduces.
bool WantsLeakCheck(const uint8_t* data, size_t size) {
    const char* all = std::getenv("VELKARO_FUZZ_LEAKS");
    if (all && std::strcmp(all, "all") == 0) return true;
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
    return hash % 8 == 0;
}

int RunInput(const uint8_t* data, size_t size) {
    const bool leakCheck = WantsLeakCheck(data, size);
    SetCaptureScreen(false);
    uint64_t endMs = Script(Reader{data, size}) + 100;
    Close(AtMs(endMs));
    // A run that outlives its close by seconds does not end.
    SetTimeLimitMicros((endMs + 5000) * 1000);

    CounterWatch counters(false);
    OnFlip([&](uint64_t flips) {
        for (auto it = PendingFaults.begin(); it != PendingFaults.end();) {
            if (NowMicros() / 1000 < it->ms) {
                ++it;
                continue;
            }
            FailAt(it->call, it->nth, it->result);
            it = PendingFaults.erase(it);
        }
        if (!Broken.empty()) return;
        if (!MessageBoxes().empty()) Fail("frame " + std::to_string(flips) + " after a fatal message");
        if (!DirectDrawObject) Fail("a frame without a display");
        std::string why = CardsInBounds();
        if (why.empty()) why = counters.AfterFlip();
        if (!why.empty()) Fail("after flip " + std::to_string(flips) + ": " + why);
        if (LiveObjects() > MaxLiveObjects) Fail(std::to_string(LiveObjects()) + " DirectDraw objects alive");
    });

    int code = WinMain(nullptr, nullptr, const_cast<char*>(""), SW_SHOWNORMAL);
    if (code != 0) Fail("exit code " + std::to_string(code));
    if (LiveObjects() != 0) Fail(std::to_string(LiveObjects()) + " DirectDraw objects alive at exit");
    if (DirectDrawObject) Fail("the display object is still held at exit");
    if (TotalFrames != CallCount(Call::Flip)) Fail("TotalFrames does not count every frame");
    std::string messages = FatalMessagesWellFormed();
    if (!messages.empty()) Fail(messages);
    if (leakCheck && LeakCheck() != 0) Fail("leaks");
    if (Broken.empty()) return 0;
    std::fprintf(stderr, "velkaro fuzz: %s\n", Broken.c_str());
    return 3;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (__start___sancov_cntrs && +__stop___sancov_cntrs > +__start___sancov_cntrs) {
        CounterBytes = static_cast<size_t>(__stop___sancov_cntrs - __start___sancov_cntrs);
        void* shared = mmap(nullptr, CounterBytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (shared == MAP_FAILED) {
            std::perror("velkaro fuzz: mmap");
            std::abort();
        }
        SharedCounters = static_cast<uint8_t*>(shared);
    } else {
        std::fprintf(stderr, "velkaro fuzz: no coverage counters found; the fuzzer runs blind\n");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t child = fork();
    if (child < 0) {
        std::perror("velkaro fuzz: fork");
        std::abort();
    }
    if (child == 0) {
        // The fuzzer's own handlers belong to the parent.
        signal(SIGABRT, SIG_DFL);
        signal(SIGALRM, SIG_DFL);
        alarm(30);  // a run that hangs without its virtual clock moving
        int code = RunInput(data, size);
        if (SharedCounters) std::memcpy(SharedCounters, __start___sancov_cntrs, CounterBytes);
        _exit(code);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    if (SharedCounters) std::memcpy(__start___sancov_cntrs, SharedCounters, CounterBytes);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return 0;
    if (WIFSIGNALED(status))
        std::fprintf(stderr, "velkaro fuzz: the run died of signal %d\n", WTERMSIG(status));
    else
        std::fprintf(stderr, "velkaro fuzz: the run exited with %d\n", WEXITSTATUS(status));
    std::abort();  // libFuzzer keeps the input as a crash
}
