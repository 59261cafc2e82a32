#include "host_window.h"

#include <SDL.h>
#include <X11/Xlib.h>

#include "xlib_borrow.h"

namespace {

bool XFailed = false;

int NoteXFailure(Display*, XErrorEvent*) {
    XFailed = true;
    return 0;
}

// SDL's first request on a window that does not exist ends the process in
// Xlib's error handler, so ask on a connection of our own first.
bool WindowExists(uint32_t id) {
    auto open = sdlxlib::Find<Display* (*)(const char*)>("XOpenDisplay");
    auto close = sdlxlib::Find<int (*)(Display*)>("XCloseDisplay");
    auto handle = sdlxlib::Find<XErrorHandler (*)(XErrorHandler)>("XSetErrorHandler");
    auto attributes = sdlxlib::Find<Status (*)(Display*, Window, XWindowAttributes*)>("XGetWindowAttributes");
    auto sync = sdlxlib::Find<int (*)(Display*, Bool)>("XSync");
    bool exists = false;
    Display* display = open && close && handle && attributes && sync ? open(nullptr) : nullptr;
    if (display) {
        XFailed = false;
        XErrorHandler previous = handle(NoteXFailure);
        XWindowAttributes found;
        exists = attributes(display, id, &found) != 0;
        sync(display, False);
        handle(previous);
        close(display);
    }
    return exists && !XFailed;
}

// Keys, the mouse and the focus belong to the host: the daemon ends us with
// SIGTERM, and in the settings' preview a passing mouse must not.
int LeaveInputToHost(void*, SDL_Event* event) {
    switch (event->type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
    case SDL_TEXTINPUT:
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL: return 0;
    case SDL_WINDOWEVENT:
        return event->window.event != SDL_WINDOWEVENT_FOCUS_GAINED &&
               event->window.event != SDL_WINDOWEVENT_FOCUS_LOST;
    default: return 1;
    }
}

}  // namespace

SDL_Window* HostWindow() {
    static bool tried = false;
    static SDL_Window* window = nullptr;
    if (tried || !SDL_WasInit(SDL_INIT_VIDEO)) return window;
    tried = true;
    const char* text = SDL_getenv("XSCREENSAVER_WINDOW");
    if (!text) return nullptr;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || SDL_strcmp(driver, "x11") != 0) {
        SDL_Log("XSCREENSAVER_WINDOW needs the x11 video driver; running full screen");
        return nullptr;
    }
    uint32_t id = sdlmap::HostWindowId(text);
    if (!id || !WindowExists(id)) {
        SDL_Log("XSCREENSAVER_WINDOW=%s names no window; running full screen", text);
        return nullptr;
    }
    // The texture presenter's OpenGL renderer would otherwise have SDL
    // re-create the window first, a path meant for windows of its own.
    SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "1");
    window = SDL_CreateWindowFrom(reinterpret_cast<void*>(uintptr_t(id)));
    if (!window) {
        SDL_Log("XSCREENSAVER_WINDOW=%s: %s", text, SDL_GetError());
        return nullptr;
    }
    SDL_SetEventFilter(LeaveInputToHost, nullptr);
    return window;
}
