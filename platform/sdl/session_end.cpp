#include "session_end.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "xlib_borrow.h"

namespace sdlsession {

namespace {

volatile std::sig_atomic_t HangUp = 0;

void OnHangUp(int) { HangUp = 1; }

// Xlib's own handler calls exit(), and the clean-up that runs then asks the
// dead server about the window and waits for its answer forever, spinning.
// The program keeps nothing that needs saving, so it ends here as it ends
// on any other way out, with 0.
int OnDisplayLost(Display*) {
    static const char text[] = "velkaro: the connection to the X display was lost\n";
    ssize_t written = write(STDERR_FILENO, text, sizeof text - 1);
    (void)written;
    _exit(0);
}

}  // namespace

void Watch(const char* videoDriver) {
    // An ignored hang-up (nohup) stays ignored.
    struct sigaction previous {};
    if (sigaction(SIGHUP, nullptr, &previous) == 0 && previous.sa_handler == SIG_DFL) {
        struct sigaction action {};
        action.sa_handler = OnHangUp;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGHUP, &action, nullptr);
    }
    if (!videoDriver || std::strcmp(videoDriver, "x11") != 0) return;
    // SDL installs no handler of its own; the handler is the library's, for
    // every connection.
    using SetHandler = XIOErrorHandler (*)(XIOErrorHandler);
    if (auto set = sdlxlib::Find<SetHandler>("XSetIOErrorHandler")) set(OnDisplayLost);
}

bool HangUpRequested() {
    if (!HangUp) return false;
    HangUp = 0;
    return true;
}

}  // namespace sdlsession
