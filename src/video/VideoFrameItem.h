#pragma once

#include "video/VideoFrame.h"

#include <QImage>
#include <QMutex>
#include <QPointF>
#include <QQuickFramebufferObject>
#include <QRectF>

// The scene item that shows the latest VideoFrame. With OpenGL the picture is
// converted from YUV on the GPU by YuvRenderer; when the scene draws in
// software (no OpenGL on the machine) the item converts on the CPU and hands
// the scene a letterboxed image instead. Around the picture it offers what the
// interface needs: the picture size, freezing the last picture while the
// stream changes, a snapshot, and the mapping between item coordinates and
// picture pixels.
//
// setFrame, clearFrame, setFrozen, the mapping functions and the property
// reads belong to the interface thread; the renderer takes its copy of the
// frame under the frame lock while the interface thread is blocked.
class VideoFrameItem : public QQuickFramebufferObject
{
    Q_OBJECT
    Q_PROPERTY(bool keepAspectRatio READ keepAspectRatio WRITE setKeepAspectRatio NOTIFY
                   keepAspectRatioChanged)
    Q_PROPERTY(int videoWidth READ videoWidth NOTIFY frameChanged)
    Q_PROPERTY(int videoHeight READ videoHeight NOTIFY frameChanged)

public:
    explicit VideoFrameItem(QQuickItem *parent = nullptr);
    ~VideoFrameItem() override;

    Renderer *createRenderer() const override;

    bool keepAspectRatio() const;
    void setKeepAspectRatio(bool keep);
    int videoWidth() const;
    int videoHeight() const;

    Q_INVOKABLE void setFrame(const VideoFrame &frame);
    // Empties the item and ends a freeze; announces the change (frameChanged)
    // when a picture was shown.
    Q_INVOKABLE void clearFrame();
    Q_INVOKABLE void setFrozen(bool frozen);
    Q_INVOKABLE bool frozen() const;
    Q_INVOKABLE QImage currentFrameImage() const;
    Q_INVOKABLE QPointF mapToVideo(qreal x, qreal y) const;
    Q_INVOKABLE QPointF mapFromVideo(qreal videoX, qreal videoY) const;

    // Where the picture lies inside the item (all zero without a picture).
    QRectF videoRect() const;

    // The renderer's copy of the frame, taken under the frame lock.
    void snapshot(VideoFrame &frame, bool &hasFrame) const;

signals:
    void frameChanged();
    void keepAspectRatioChanged();
    void mouseClicked(int x, int y);

protected:
    QSGNode *updatePaintNode(QSGNode *oldNode, UpdatePaintNodeData *data) override;
    void mousePressEvent(QMouseEvent *event) override;
    void geometryChanged(const QRectF &newGeometry, const QRectF &oldGeometry) override;

private:
    void updateVideoRect();
    bool drawsWithOpenGL() const;

    VideoFrame m_frame;
    mutable QMutex m_lock;
    bool m_keepAspect = true;
    QRectF m_videoRect;
    bool m_hasFrame = false;
    bool m_frozen = false;
};
