#pragma once

#include "video/VideoFrame.h"

#include <QRectF>
#include <QSGNode>
#include <QSize>

class QQuickWindow;
class QSGImageNode;
class QSGRectangleNode;

// What the frame item hands a scene that draws without OpenGL: the background
// colour over the whole item and, letterboxed on top, the picture converted to
// RGB on the CPU at the size it is shown (never larger than the picture).
// Upright: the first luma row is at the top. A picture is converted again
// only when the frame or the shown size changes.
class SoftwareFrameNode : public QSGNode
{
public:
    explicit SoftwareFrameNode(QQuickWindow *window);

    void update(const QRectF &bounds, const VideoFrame &frame, bool hasFrame,
                qreal devicePixelRatio);

private:
    QQuickWindow *m_window;
    QSGRectangleNode *m_background = nullptr;
    QSGImageNode *m_picture = nullptr;
    // Holds the shown picture's luma, so its buffer cannot be reused by a
    // newer frame while it is compared against.
    QByteArray m_shownLuma;
    QSize m_shownSize;
};
