#include "host_window.h"

namespace sdlmap {

uint32_t HostWindowId(const char* text) {
    if (!text || !*text) return 0;
    unsigned base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
        if (!*text) return 0;
    }
    uint64_t id = 0;
    for (; *text; ++text) {
        unsigned digit;
        char c = *text;
        if (c >= '0' && c <= '9')
            digit = unsigned(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = unsigned(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = unsigned(c - 'A' + 10);
        else
            return 0;
        id = id * base + digit;
        if (id > UINT32_MAX) return 0;  // X ids are 32 bits on the wire
    }
    return uint32_t(id);
}

}  // namespace sdlmap
