// A GIF89a writer for palette pictures: LZW over 8-bit indices, one global
// colour table, and frames cut down to what changed since the one before.
#pragma once
#include <cstdint>
#include <vector>

#include "image.h"

namespace capture {

// LZW-compressed image data with a minimum code size of 8, as it follows
// the image descriptor, without the sub-block framing.
std::vector<uint8_t> LzwEncode(const uint8_t* indices, size_t count);

// An animation that loops forever. Each frame is shown until the next
// one's time (the last for as long as the one before it); delays are
// rounded in hundredths of a second without drift. All frames have the
// size of the first.
std::vector<uint8_t> EncodeGif(const std::vector<IndexedImage>& frames);

}  // namespace capture
