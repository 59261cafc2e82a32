// Counts of live DirectDraw objects, for tests and leak checks.
#pragma once

enum class ObjectKind { DirectDraw, Surface, Palette };
int ddraw_LiveObjects(ObjectKind kind);
