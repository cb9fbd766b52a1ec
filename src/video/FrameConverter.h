#pragma once

#include "video/VideoFrame.h"

struct AVFrame;
struct SwsContext;

// Turns decoded pictures into packed VideoFrames: pictures that are not planar
// YUV 4:2:0 are converted with the bicubic scaler, then each plane's rows are
// copied without their line padding. The scaler and its target picture are
// kept while the source size and format stay the same. Shared by the live
// decoder and the album's playback decoder; one instance per decoding thread.
class FrameConverter
{
public:
    FrameConverter();
    ~FrameConverter();
    FrameConverter(const FrameConverter &) = delete;
    FrameConverter &operator=(const FrameConverter &) = delete;

    // False when the picture is rejected: a size outside 1..7680 x 1..4320,
    // missing planes, a failed conversion, or planes that do not pack to
    // their expected sizes. `out` is only written on success.
    bool convert(const AVFrame *picture, VideoFrame &out);

    // Copies `height` rows of `width` luma bytes and the matching chroma rows
    // from planes with the given line sizes. False (and `out` untouched) when
    // a line size is shorter than its row or a plane is missing.
    static bool pack(const unsigned char *const planes[3], const int lineSizes[3], int width,
                     int height, VideoFrame &out);

private:
    void releaseScaler();
    bool ensureTarget(int width, int height);

    SwsContext *m_scaler = nullptr;
    AVFrame *m_target = nullptr;
    bool m_targetReady = false;
    int m_sourceWidth = 0;
    int m_sourceHeight = 0;
    int m_sourceFormat = -1;
};
