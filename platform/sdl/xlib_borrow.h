// Xlib as SDL loaded it. The back end calls a few of its functions without
// linking it, so that the program still starts where SDL drives another
// video system and no Xlib is installed.
#pragma once
#include <dlfcn.h>

namespace sdlxlib {

// The library, once SDL's x11 driver has loaded it; null before or without.
// Kept open for the life of the process: handlers installed into it must
// outlive any caller.
inline void* Library() {
    static void* library = nullptr;
    if (!library) library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    return library;
}

template <class Function>
Function Find(const char* name) {
    void* library = Library();
    return library ? reinterpret_cast<Function>(dlsym(library, name)) : nullptr;
}

}  // namespace sdlxlib
