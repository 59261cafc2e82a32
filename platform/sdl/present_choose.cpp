// Choosing the presenter: VELKARO_PRESENTER forces one; otherwise the
// texture where a GPU draws it, the window's framebuffer where the CPU would.
#include <SDL_syswm.h>

#include <cstdio>

#include "presenter.h"
#include "presenter_kind.h"
#include "xlib_borrow.h"

namespace sdlpresent {

namespace {

// An X server that offers no direct rendering (Xvfb, a remote display)
// leaves OpenGL to a software rasteriser. Asked without loading OpenGL,
// whose software drivers alone would outweigh the whole program.
bool XServerWithoutDirectRendering(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    using QueryExtension = int (*)(Display*, const char*, int*, int*, int*);
    auto query = sdlxlib::Find<QueryExtension>("XQueryExtension");
    if (!query) return false;
    int opcode, event, error;
    return !query(info.info.x11.display, "DRI3", &opcode, &event, &error) &&
           !query(info.info.x11.display, "DRI2", &opcode, &event, &error);
}

}  // namespace

Presenter* ChoosePresenter(SDL_Window* window) {
    bool known = true;
    const char* asked = SDL_getenv("VELKARO_PRESENTER");
    sdlmap::PresenterKind kind = sdlmap::PresenterFromName(asked, &known);
    if (!known)
        std::fprintf(stderr, "velkaro: VELKARO_PRESENTER=%s is neither texture nor surface; choosing\n", asked);
    Presenter* chosen = nullptr;
    switch (kind) {
    case sdlmap::PresenterKind::Texture: chosen = CreateTexturePresenter(window, true); break;
    case sdlmap::PresenterKind::Surface: chosen = CreateSurfacePresenter(window); break;
    case sdlmap::PresenterKind::Automatic:
        if (!XServerWithoutDirectRendering(window)) chosen = CreateTexturePresenter(window, false);
        break;
    }
    // Whatever was asked, a picture beats none.
    if (!chosen && kind != sdlmap::PresenterKind::Surface) chosen = CreateSurfacePresenter(window);
    if (!chosen && kind != sdlmap::PresenterKind::Texture) chosen = CreateTexturePresenter(window, true);
    return chosen;
}

}  // namespace sdlpresent
