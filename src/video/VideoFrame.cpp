#include "video/VideoFrame.h"

bool VideoFrame::isValid() const
{
    if (width < 1 || width > 7680 || height < 1 || height > 4320)
        return false;
    const int chroma = chromaWidth(width) * chromaHeight(height);
    return yPlane.size() == width * height && uPlane.size() == chroma && vPlane.size() == chroma;
}

void VideoFrame::registerMetaType()
{
    static const int id = qRegisterMetaType<VideoFrame>("VideoFrame");
    Q_UNUSED(id)
}
