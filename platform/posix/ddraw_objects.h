// Counts of live DirectDraw objects, for tests and leak checks.
#pragma once
#include <vector>

enum class ObjectKind { DirectDraw, Surface, Palette };
int ddraw_LiveObjects(ObjectKind kind);

// Record every Release call's object, in order, into log (null: stop).
void ddraw_LogReleases(std::vector<const void*>* log);
