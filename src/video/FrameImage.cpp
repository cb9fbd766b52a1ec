#include "video/FrameImage.h"

#include <QVector>

QImage FrameImage::toRgb(const VideoFrame &frame)
{
    if (!frame.isValid())
        return QImage();
    const int width = frame.width;
    const int height = frame.height;
    const int cw = VideoFrame::chromaWidth(width);
    QImage image(width, height, QImage::Format_RGB888);
    if (image.isNull())
        return QImage();
    const auto *luma = reinterpret_cast<const uchar *>(frame.yPlane.constData());
    const auto *cb = reinterpret_cast<const uchar *>(frame.uPlane.constData());
    const auto *cr = reinterpret_cast<const uchar *>(frame.vPlane.constData());
    for (int row = 0; row < height; ++row) {
        uchar *out = image.scanLine(row);
        const uchar *yRow = luma + qsizetype(row) * width;
        const uchar *uRow = cb + qsizetype(row / 2) * cw;
        const uchar *vRow = cr + qsizetype(row / 2) * cw;
        for (int col = 0; col < width; ++col) {
            int r, g, b;
            convert(yRow[col], int(uRow[col / 2]) - 128, int(vRow[col / 2]) - 128, r, g, b);
            out[0] = uchar(r);
            out[1] = uchar(g);
            out[2] = uchar(b);
            out += 3;
        }
    }
    return image;
}

QImage FrameImage::toRgbScaled(const VideoFrame &frame, int width, int height)
{
    if (!frame.isValid() || width < 1 || height < 1)
        return QImage();
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return QImage();
    const int cw = VideoFrame::chromaWidth(frame.width);
    // Source column of every output column, computed once per picture.
    QVector<int> columns(width);
    for (int x = 0; x < width; ++x)
        columns[x] = int((qint64(x) * 2 + 1) * frame.width / (qint64(width) * 2));
    const auto *luma = reinterpret_cast<const uchar *>(frame.yPlane.constData());
    const auto *cb = reinterpret_cast<const uchar *>(frame.uPlane.constData());
    const auto *cr = reinterpret_cast<const uchar *>(frame.vPlane.constData());
    for (int y = 0; y < height; ++y) {
        const int row = int((qint64(y) * 2 + 1) * frame.height / (qint64(height) * 2));
        const uchar *yRow = luma + qsizetype(row) * frame.width;
        const uchar *uRow = cb + qsizetype(row / 2) * cw;
        const uchar *vRow = cr + qsizetype(row / 2) * cw;
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int col = columns[x];
            int r, g, b;
            convert(yRow[col], int(uRow[col / 2]) - 128, int(vRow[col / 2]) - 128, r, g, b);
            out[x] = qRgb(r, g, b);
        }
    }
    return image;
}
