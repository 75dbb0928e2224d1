// Hostile BMP files, made byte by byte at test time, for every path that turns
// a file into a picture (the BMP reader itself, HTML pictures, the image
// cache, colour schemes).
#pragma once

#include <string>

namespace testing_support {

// About 17 MB of RLE8 data for a 16 x 1 picture: runs of 255 pixels whose sum
// passes 2^31 on one row, then a jump two rows down, below the picture.
std::string OverflowingRle8Bmp();

// 258 bytes of RLE4 claiming 20480 x 20480 pixels: 210 MB once decoded, far
// past the picture budget.
std::string OversizedRle4Bmp();

}  // namespace testing_support
