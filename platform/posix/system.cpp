// Kernel and user services other than windows: files, formatting, resources.
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "backend.h"
#include "resources.h"

BOOL WINAPI DeleteFile(LPCSTR path) { return path && unlink(path) == 0; }

// wsprintf writes at most 1024 bytes, terminator included, as on Windows.
// Only the conversions the program uses are understood: %s, %d and %%.
int wsprintf(LPSTR buffer, LPCSTR format, ...) {
    constexpr int Limit = 1024;
    if (!buffer || !format) return 0;
    va_list args;
    va_start(args, format);
    int n = 0;
    auto put = [&](char c) {
        if (n < Limit - 1) buffer[n++] = c;
    };
    for (const char* p = format; *p; ++p) {
        if (*p != '%') {
            put(*p);
            continue;
        }
        ++p;
        if (*p == 's') {
            const char* s = va_arg(args, const char*);
            for (s = s ? s : "(null)"; *s; ++s) put(*s);
        } else if (*p == 'd') {
            char digits[16];
            std::snprintf(digits, sizeof digits, "%d", va_arg(args, int));
            for (const char* s = digits; *s; ++s) put(*s);
        } else if (*p == '%') {
            put('%');
        } else {
            if (!*p) break;
            put('%');
            put(*p);
        }
    }
    va_end(args);
    buffer[n] = '\0';
    return n;
}

namespace {
constexpr int MaxOverrides = 8;
EmbeddedResource Overrides[MaxOverrides];
int OverrideCount;
}  // namespace

void res_Override(unsigned id, unsigned type, const unsigned char* data, uint32_t size) {
    for (int i = 0; i < OverrideCount; ++i)
        if (Overrides[i].id == id && Overrides[i].type == type) {
            Overrides[i] = EmbeddedResource{id, type, data, size};
            return;
        }
    if (OverrideCount < MaxOverrides) Overrides[OverrideCount++] = EmbeddedResource{id, type, data, size};
}

HRSRC WINAPI FindResource(HMODULE, LPCSTR name, LPCSTR type) {
    if (bk_Fault(Call::FindResource) != 0) return nullptr;
    if (!IS_INTRESOURCE(name) || !IS_INTRESOURCE(type)) return nullptr;
    unsigned id = static_cast<unsigned>(reinterpret_cast<uintptr_t>(name));
    unsigned kind = static_cast<unsigned>(reinterpret_cast<uintptr_t>(type));
    for (int i = 0; i < OverrideCount; ++i) {
        const EmbeddedResource& r = Overrides[i];
        if (r.id == id && r.type == kind)
            return r.size ? reinterpret_cast<HRSRC>(const_cast<EmbeddedResource*>(&r)) : nullptr;
    }
    for (unsigned i = 0; i < EmbeddedResourceCount; ++i) {
        const EmbeddedResource& r = EmbeddedResources[i];
        if (r.id == id && r.type == kind)
            return reinterpret_cast<HRSRC>(const_cast<EmbeddedResource*>(&r));
    }
    return nullptr;
}

HGLOBAL WINAPI LoadResource(HMODULE, HRSRC resource) {
    if (!resource) return nullptr;
    auto* r = reinterpret_cast<const EmbeddedResource*>(resource);
    return const_cast<unsigned char*>(r->data);
}

LPVOID WINAPI LockResource(HGLOBAL loaded) { return loaded; }

BOOL WINAPI FreeResource(HGLOBAL) { return FALSE; }

DWORD WINAPI SizeofResource(HMODULE, HRSRC resource) {
    if (!resource) return 0;
    return reinterpret_cast<const EmbeddedResource*>(resource)->size;
}

const char* CallName(Call call) {
    static const char* const Names[] = {
        "DirectDrawCreate", "SetCooperativeLevel", "SetDisplayMode", "CreateSurface",
        "CreatePalette",    "GetAttachedSurface",  "SetColorKey",    "SetPalette",
        "Lock",             "Unlock",              "BltFast",        "Flip",
        "FindResource",     "SetTimer"};
    static_assert(sizeof(Names) / sizeof(Names[0]) == static_cast<size_t>(Call::Count));
    return Names[static_cast<int>(call)];
}
