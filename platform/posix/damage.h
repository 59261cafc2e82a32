// Where a picture changed: a short fixed list of rectangles. Adding one
// that overlaps or nearly touches another merges the two into their bounding
// box; when the list is full the cheapest pair merges. The region only
// grows: it may cover pixels that did not change, never miss one that did.
#pragma once
#include <cstdint>

struct DamageRect {
    int left, top, right, bottom;  // right and bottom exclusive
};

struct DamageRegion {
    static constexpr int Capacity = 16;
    int count = 0;
    DamageRect rects[Capacity];
};

inline bool DamageEmpty(const DamageRect& r) { return r.left >= r.right || r.top >= r.bottom; }
inline void DamageClear(DamageRegion& region) { region.count = 0; }

// Adds r, clipped to (0, 0, width, height).
void DamageAdd(DamageRegion& region, DamageRect r, int width, int height);
void DamageAddRegion(DamageRegion& region, const DamageRegion& more, int width, int height);
void DamageSetAll(DamageRegion& region, int width, int height);

// Pixels covered, counting overlaps once.
int64_t DamageArea(const DamageRegion& region);
bool DamageCovers(const DamageRegion& region, int x, int y);

// Copies the region's pixels from one 8-bit picture to another of the same size.
void DamageCopy(const DamageRegion& region, const uint8_t* from, int fromPitch, uint8_t* to, int toPitch);
