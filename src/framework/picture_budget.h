// The one limit on decoded pictures that every decoder (BMP and JPEG here in
// the framework, GIF and PNG above it) applies before it allocates: each side
// at most 32767 pixels and the area at most 32 Mi pixels. Sizes are taken as
// 64-bit so that no product of file values can wrap.
#pragma once

#include <cstdint>

constexpr int64_t kMaxPictureSide = 32767;
constexpr int64_t kMaxPictureArea = int64_t{32} << 20;

inline bool PictureSidesFit(int64_t width, int64_t height) {
    return width >= 0 && height >= 0 && width <= kMaxPictureSide && height <= kMaxPictureSide;
}

inline bool PictureAreaFits(int64_t area) { return area >= 0 && area <= kMaxPictureArea; }

inline bool PictureFitsBudget(int64_t width, int64_t height) {
    return PictureSidesFit(width, height) && PictureAreaFits(width * height);
}
