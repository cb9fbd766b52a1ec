#include "video/VideoFrameItem.h"

#include "video/FrameImage.h"
#include "video/Letterbox.h"
#include "video/SoftwareFrameNode.h"
#include "video/YuvRenderer.h"

#include <QMouseEvent>
#include <QMutexLocker>
#include <QQuickWindow>
#include <QSGRendererInterface>

#include <cmath>

VideoFrameItem::VideoFrameItem(QQuickItem *parent) : QQuickFramebufferObject(parent)
{
    VideoFrame::registerMetaType();
    setAcceptedMouseButtons(Qt::LeftButton);
}

VideoFrameItem::~VideoFrameItem() = default;

QQuickFramebufferObject::Renderer *VideoFrameItem::createRenderer() const
{
    // The renderer reads the frame only while it synchronises, when this item
    // exists and the interface thread is blocked.
    return new YuvRenderer(
        [this](VideoFrame &frame, bool &hasFrame) { snapshot(frame, hasFrame); });
}

bool VideoFrameItem::keepAspectRatio() const
{
    return m_keepAspect;
}

void VideoFrameItem::setKeepAspectRatio(bool keep)
{
    if (keep == m_keepAspect)
        return;
    m_keepAspect = keep;
    updateVideoRect();
    emit keepAspectRatioChanged();
}

int VideoFrameItem::videoWidth() const
{
    QMutexLocker lock(&m_lock);
    return m_hasFrame ? m_frame.width : 0;
}

int VideoFrameItem::videoHeight() const
{
    QMutexLocker lock(&m_lock);
    return m_hasFrame ? m_frame.height : 0;
}

void VideoFrameItem::setFrame(const VideoFrame &frame)
{
    {
        QMutexLocker lock(&m_lock);
        if (m_frozen)
            return;
        m_frame = frame;
        m_hasFrame = frame.width > 0 && frame.height > 0 && !frame.yPlane.isEmpty() &&
                     !frame.uPlane.isEmpty() && !frame.vPlane.isEmpty();
    }
    updateVideoRect();
    emit frameChanged();
    update();
}

void VideoFrameItem::clearFrame()
{
    bool hadFrame = false;
    {
        QMutexLocker lock(&m_lock);
        hadFrame = m_hasFrame;
        m_frame = VideoFrame();
        m_hasFrame = false;
        m_frozen = false;
    }
    updateVideoRect();
    // The picture's size is gone with it: whatever is drawn over the picture
    // (placeholder, grid, boxes) follows videoWidth, which says so here.
    if (hadFrame)
        emit frameChanged();
    update();
}

void VideoFrameItem::setFrozen(bool frozen)
{
    QMutexLocker lock(&m_lock);
    m_frozen = frozen;
}

bool VideoFrameItem::frozen() const
{
    QMutexLocker lock(&m_lock);
    return m_frozen;
}

QImage VideoFrameItem::currentFrameImage() const
{
    QMutexLocker lock(&m_lock);
    if (!m_hasFrame)
        return QImage();
    return FrameImage::toRgb(m_frame);
}

void VideoFrameItem::updateVideoRect()
{
    const QRectF bounds = boundingRect();
    QMutexLocker lock(&m_lock);
    if (!m_hasFrame || m_frame.width < 1 || m_frame.height < 1) {
        m_videoRect = QRectF();
        return;
    }
    if (!m_keepAspect) {
        m_videoRect = bounds;
        return;
    }
    m_videoRect = Letterbox::fit(m_frame.width, m_frame.height, bounds.width(), bounds.height())
                      .translated(bounds.x(), bounds.y());
}

QRectF VideoFrameItem::videoRect() const
{
    QMutexLocker lock(&m_lock);
    return m_videoRect;
}

QPointF VideoFrameItem::mapToVideo(qreal x, qreal y) const
{
    QMutexLocker lock(&m_lock);
    const QRectF r = m_videoRect;
    if (r.width() <= 0 || r.height() <= 0 || !m_hasFrame)
        return QPointF(-1, -1);
    return QPointF((x - r.x()) * m_frame.width / r.width(),
                   (y - r.y()) * m_frame.height / r.height());
}

QPointF VideoFrameItem::mapFromVideo(qreal videoX, qreal videoY) const
{
    QMutexLocker lock(&m_lock);
    const QRectF r = m_videoRect;
    if (r.width() <= 0 || r.height() <= 0 || !m_hasFrame || m_frame.width <= 0 ||
        m_frame.height <= 0)
        return QPointF(-1, -1);
    return QPointF(r.width() / m_frame.width * videoX + r.x(),
                   r.height() / m_frame.height * videoY + r.y());
}

void VideoFrameItem::snapshot(VideoFrame &frame, bool &hasFrame) const
{
    QMutexLocker lock(&m_lock);
    frame = m_frame;
    hasFrame = m_hasFrame;
}

void VideoFrameItem::mousePressEvent(QMouseEvent *event)
{
    // Halves round upward, also below zero.
    const qreal px = std::floor(event->localPos().x() + 0.5);
    const qreal py = std::floor(event->localPos().y() + 0.5);
    const QPointF video = mapToVideo(px, py);
    if (video.x() >= 0 && video.y() >= 0)
        emit mouseClicked(int(video.x()), int(video.y()));
    event->accept();
}

void VideoFrameItem::geometryChanged(const QRectF &newGeometry, const QRectF &oldGeometry)
{
    QQuickFramebufferObject::geometryChanged(newGeometry, oldGeometry);
    updateVideoRect();
}

bool VideoFrameItem::drawsWithOpenGL() const
{
    const QQuickWindow *w = window();
    const QSGRendererInterface *renderer = w ? w->rendererInterface() : nullptr;
    return renderer && renderer->graphicsApi() == QSGRendererInterface::OpenGL;
}

QSGNode *VideoFrameItem::updatePaintNode(QSGNode *oldNode, UpdatePaintNodeData *data)
{
    if (drawsWithOpenGL())
        return QQuickFramebufferObject::updatePaintNode(oldNode, data);

    // Software scene: no GL context exists, so the picture is converted here
    // (the interface thread is blocked, the frame cannot change meanwhile).
    if (!oldNode && (width() <= 0 || height() <= 0))
        return nullptr;
    auto *node = static_cast<SoftwareFrameNode *>(oldNode);
    if (!node)
        node = new SoftwareFrameNode(window());
    VideoFrame frame;
    bool hasFrame = false;
    snapshot(frame, hasFrame);
    node->update(QRectF(0, 0, width(), height()), frame, hasFrame,
                 window() ? window()->effectiveDevicePixelRatio() : 1.0);
    return node;
}
