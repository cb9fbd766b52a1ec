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
//
// A transform node (with no transform of its own) rather than a plain one:
// the software renderer places a node that joins the tree later, as the
// picture does once the first frame comes, by what it knows of the node's
// parent, and it keeps that only for transform and similar nodes. Under a
// plain node the picture would be drawn at the window's corner instead of
// where the item is, unscaled and unclipped.
class SoftwareFrameNode : public QSGTransformNode
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
