#include "damage.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

int64_t Area(const DamageRect& r) {
    return DamageEmpty(r) ? 0 : int64_t(r.right - r.left) * (r.bottom - r.top);
}

DamageRect Union(const DamageRect& a, const DamageRect& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

bool Contains(const DamageRect& outer, const DamageRect& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
           outer.bottom >= inner.bottom;
}

// Merging costs the area the bounding box adds over the two rectangles; a
// moved sprite's old and new places overlap, so they merge for free.
int64_t MergeCost(const DamageRect& a, const DamageRect& b) {
    return Area(Union(a, b)) - Area(a) - Area(b);
}

void RemoveAt(DamageRegion& region, int i) {
    region.rects[i] = region.rects[--region.count];
}

}  // namespace

void DamageAdd(DamageRegion& region, DamageRect r, int width, int height) {
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, width);
    r.bottom = std::min(r.bottom, height);
    if (DamageEmpty(r)) return;
    for (;;) {
        bool merged = false;
        for (int i = 0; i < region.count; ++i) {
            const DamageRect& old = region.rects[i];
            if (Contains(old, r)) return;
            if (Contains(r, old) || MergeCost(old, r) <= 0) {
                r = Union(old, r);
                RemoveAt(region, i);
                merged = true;
                break;
            }
        }
        if (merged) continue;  // the larger rectangle may now reach others
        if (region.count < DamageRegion::Capacity) break;
        int best = 0;
        for (int i = 1; i < region.count; ++i)
            if (MergeCost(region.rects[i], r) < MergeCost(region.rects[best], r)) best = i;
        r = Union(region.rects[best], r);
        RemoveAt(region, best);
    }
    region.rects[region.count++] = r;
}

void DamageAddRegion(DamageRegion& region, const DamageRegion& more, int width, int height) {
    for (int i = 0; i < more.count; ++i) DamageAdd(region, more.rects[i], width, height);
}

void DamageSetAll(DamageRegion& region, int width, int height) {
    region.count = 0;
    DamageAdd(region, {0, 0, width, height}, width, height);
}

void DamageCopy(const DamageRegion& region, const uint8_t* from, int fromPitch, uint8_t* to, int toPitch) {
    for (int i = 0; i < region.count; ++i) {
        const DamageRect& r = region.rects[i];
        for (int y = r.top; y < r.bottom; ++y)
            std::memcpy(to + size_t(y) * toPitch + r.left, from + size_t(y) * fromPitch + r.left,
                        size_t(r.right - r.left));
    }
}

bool DamageCovers(const DamageRegion& region, int x, int y) {
    for (int i = 0; i < region.count; ++i) {
        const DamageRect& r = region.rects[i];
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    }
    return false;
}

int64_t DamageArea(const DamageRegion& region) {
    // Inclusion by sweeping rows: the list is short, so this stays cheap.
    int64_t area = 0;
    int top = INT32_MAX, bottom = INT32_MIN;
    for (int i = 0; i < region.count; ++i) {
        top = std::min(top, region.rects[i].top);
        bottom = std::max(bottom, region.rects[i].bottom);
    }
    for (int y = top; y < bottom; ++y) {
        struct Span {
            int from, to;
        } spans[DamageRegion::Capacity];
        int n = 0;
        for (int i = 0; i < region.count; ++i) {
            const DamageRect& r = region.rects[i];
            if (y >= r.top && y < r.bottom) spans[n++] = {r.left, r.right};
        }
        for (int i = 1; i < n; ++i)  // at most Capacity spans: insertion sort
            for (int j = i; j > 0 && spans[j].from < spans[j - 1].from; --j) std::swap(spans[j], spans[j - 1]);
        int reach = INT32_MIN;
        for (int i = 0; i < n; ++i) {
            int from = std::max(spans[i].from, reach);
            if (spans[i].to > from) area += spans[i].to - from;
            reach = std::max(reach, spans[i].to);
        }
    }
    return area;
}
