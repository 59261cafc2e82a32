// Resources embedded in executables built without Windows (generated from
// the files in res/ at build time).
#pragma once
#include <cstdint>

struct EmbeddedResource {
    unsigned id;
    unsigned type;  // RT_BITMAP (2), RT_ICON (3), RT_GROUP_ICON (14)
    const unsigned char* data;
    uint32_t size;
};
extern const EmbeddedResource EmbeddedResources[];
extern const unsigned EmbeddedResourceCount;

// Replace or hide an embedded resource (size 0 hides it), for tests that
// need a damaged executable.
void res_Override(unsigned id, unsigned type, const unsigned char* data, uint32_t size);
