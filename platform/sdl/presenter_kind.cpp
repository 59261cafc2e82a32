#include "presenter_kind.h"

#include <cctype>
#include <cstring>

namespace sdlmap {

namespace {

bool SameText(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return false;
    return *a == *b;
}

bool ContainsText(const char* text, const char* word) {
    size_t n = std::strlen(word);
    for (; *text; ++text) {
        size_t i = 0;
        while (i < n && text[i] &&
               std::tolower(static_cast<unsigned char>(text[i])) == std::tolower(static_cast<unsigned char>(word[i])))
            ++i;
        if (i == n) return true;
    }
    return false;
}

}  // namespace

PresenterKind PresenterFromName(const char* value, bool* known) {
    *known = true;
    if (!value || !*value || SameText(value, "auto")) return PresenterKind::Automatic;
    if (SameText(value, "texture")) return PresenterKind::Texture;
    if (SameText(value, "surface")) return PresenterKind::Surface;
    *known = false;
    return PresenterKind::Automatic;
}

bool SoftwareRasteriser(const char* glRenderer) {
    if (!glRenderer) return false;
    static const char* const Names[] = {"llvmpipe", "softpipe", "swrast", "software rasterizer",
                                        "lavapipe", "swiftshader", "gdi generic"};
    for (const char* name : Names)
        if (ContainsText(glRenderer, name)) return true;
    return false;
}

}  // namespace sdlmap
