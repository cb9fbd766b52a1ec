#include "video/SoftwareFrameNode.h"

#include "video/FrameImage.h"
#include "video/Letterbox.h"

#include <QColor>
#include <QQuickWindow>
#include <QSGImageNode>
#include <QSGRectangleNode>
#include <QSGTexture>

#include <algorithm>
#include <cmath>

SoftwareFrameNode::SoftwareFrameNode(QQuickWindow *window) : m_window(window)
{
    m_background = m_window->createRectangleNode();
    m_background->setColor(Letterbox::background());
    appendChildNode(m_background);
}

void SoftwareFrameNode::update(const QRectF &bounds, const VideoFrame &frame, bool hasFrame,
                               qreal devicePixelRatio)
{
    m_background->setRect(bounds);
    const QRectF shown =
        hasFrame ? Letterbox::fit(frame.width, frame.height, bounds.width(), bounds.height())
                       .translated(bounds.topLeft())
                 : QRectF();
    if (shown.isEmpty()) {
        if (m_picture) {
            removeChildNode(m_picture);
            delete m_picture;
            m_picture = nullptr;
        }
        m_shownLuma.clear();
        m_shownSize = QSize();
        return;
    }

    // Converting at the shown size keeps a large picture in a small item
    // cheap; a small picture in a large item is converted once and stretched
    // by the scene.
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const QSize size(std::clamp(int(std::ceil(shown.width() * ratio)), 1, frame.width),
                     std::clamp(int(std::ceil(shown.height() * ratio)), 1, frame.height));
    const bool added = !m_picture;
    if (added || frame.yPlane.constData() != m_shownLuma.constData() || size != m_shownSize) {
        const QImage image = FrameImage::toRgbScaled(frame, size.width(), size.height());
        QSGTexture *texture = image.isNull() ? nullptr : m_window->createTextureFromImage(image);
        if (!texture)
            return;
        if (added) {
            m_picture = m_window->createImageNode();
            m_picture->setOwnsTexture(true);
            m_picture->setFiltering(QSGTexture::Linear);
        }
        // The node owns its texture and deletes the one it replaces.
        m_picture->setTexture(texture);
        m_picture->setSourceRect(QRectF(0, 0, size.width(), size.height()));
        m_shownLuma = frame.yPlane;
        m_shownSize = size;
    }
    // The image node marks itself dirty; this plain container must not.
    m_picture->setRect(shown);
    // Added only once complete: the software renderer looks at a node as
    // soon as it joins the tree.
    if (added)
        appendChildNode(m_picture);
}
