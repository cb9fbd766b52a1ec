#include "video/VideoFrame.h"

bool VideoFrame::isValid() const
{
    if (!sizeAccepted(width, height))
        return false;
    const int chroma = chromaWidth(width) * chromaHeight(height);
    return yPlane.size() == width * height && uPlane.size() == chroma && vPlane.size() == chroma;
}

void VideoFrame::registerMetaType()
{
    static const int id = qRegisterMetaType<VideoFrame>("VideoFrame");
    Q_UNUSED(id)
}
