#include "video/FrameConverter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <cstring>

namespace
{

QByteArray packPlane(const unsigned char *data, int lineSize, int rowBytes, int rows)
{
    QByteArray plane(rowBytes * rows, Qt::Uninitialized);
    char *to = plane.data();
    for (int row = 0; row < rows; ++row)
        std::memcpy(to + row * rowBytes, data + qint64(row) * lineSize, size_t(rowBytes));
    return plane;
}

} // namespace

FrameConverter::FrameConverter() = default;

FrameConverter::~FrameConverter()
{
    releaseScaler();
    av_frame_free(&m_target);
}

void FrameConverter::releaseScaler()
{
    sws_freeContext(m_scaler);
    m_scaler = nullptr;
}

bool FrameConverter::ensureTarget(int width, int height)
{
    if (!m_target)
        m_target = av_frame_alloc();
    if (!m_target)
        return false;
    av_frame_unref(m_target);
    m_target->format = AV_PIX_FMT_YUV420P;
    m_target->width = width;
    m_target->height = height;
    m_targetReady = av_frame_get_buffer(m_target, 32) >= 0;
    return m_targetReady;
}

bool FrameConverter::convert(const AVFrame *picture, VideoFrame &out)
{
    if (!picture || !VideoFrame::sizeAccepted(picture->width, picture->height) ||
        !picture->data[0] || picture->linesize[0] < 1)
        return false;

    const AVFrame *source = picture;
    if (picture->format != AV_PIX_FMT_YUV420P) {
        bool recreated = false;
        if (!m_scaler || picture->width != m_sourceWidth || picture->height != m_sourceHeight ||
            picture->format != m_sourceFormat) {
            releaseScaler();
            m_sourceWidth = picture->width;
            m_sourceHeight = picture->height;
            m_sourceFormat = picture->format;
            m_scaler = sws_getContext(
                picture->width, picture->height, AVPixelFormat(picture->format), picture->width,
                picture->height, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
            if (!m_scaler) {
                m_targetReady = false;
                return false;
            }
            recreated = true;
        }
        if (recreated || !m_targetReady || m_target->width != picture->width ||
            m_target->height != picture->height) {
            if (!ensureTarget(picture->width, picture->height))
                return false;
        }
        const int lines = sws_scale(m_scaler, picture->data, picture->linesize, 0, picture->height,
                                    m_target->data, m_target->linesize);
        if (lines <= 0)
            return false;
        source = m_target;
    }

    const unsigned char *const planes[3] = {source->data[0], source->data[1], source->data[2]};
    const int lineSizes[3] = {source->linesize[0], source->linesize[1], source->linesize[2]};
    return pack(planes, lineSizes, source->width, source->height, out);
}

bool FrameConverter::pack(const unsigned char *const planes[3], const int lineSizes[3], int width,
                          int height, VideoFrame &out)
{
    if (!VideoFrame::sizeAccepted(width, height) || !planes[0] || !planes[1] || !planes[2])
        return false;
    const int cw = VideoFrame::chromaWidth(width);
    const int ch = VideoFrame::chromaHeight(height);
    if (lineSizes[0] < width || lineSizes[1] < cw || lineSizes[2] < cw)
        return false;
    VideoFrame frame;
    frame.width = width;
    frame.height = height;
    frame.yPlane = packPlane(planes[0], lineSizes[0], width, height);
    frame.uPlane = packPlane(planes[1], lineSizes[1], cw, ch);
    frame.vPlane = packPlane(planes[2], lineSizes[2], cw, ch);
    if (!frame.isValid())
        return false;
    out = frame;
    return true;
}
