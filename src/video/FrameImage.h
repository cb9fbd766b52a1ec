#pragma once

#include "video/VideoFrame.h"

#include <QImage>

// Colour conversion of a VideoFrame on the CPU, in 10-bit fixed-point integers
// with limited-range BT.709 coefficients (the same ones the GPU shader uses):
// screenshots take the full-size RGB picture, the software drawing path takes
// a picture already reduced to the size it is shown at.
class FrameImage
{
public:
    // RGB, 8 bits a channel, at the picture's own size; a null image when the
    // frame has no valid picture.
    static QImage toRgb(const VideoFrame &frame);

    // The picture resampled (nearest source pixel) to width x height, as
    // 32-bit RGB ready for a texture. Null when the frame is not valid or the
    // size is empty.
    static QImage toRgbScaled(const VideoFrame &frame, int width, int height);

    // One pixel: Y in 0..255, U and V already centred (value - 128).
    static inline void convert(int y, int u, int v, int &r, int &g, int &b)
    {
        const int l = ((y - 16) * 1192) >> 10;
        r = clamp(l + ((v * 1836) >> 10));
        g = clamp(l - ((v * 546 + u * 218) >> 10));
        b = clamp(l + ((u * 2163) >> 10));
    }

private:
    static inline int clamp(int value) { return value < 0 ? 0 : (value > 255 ? 255 : value); }
};
