#pragma once

#include "video/VideoFrame.h"

#include <QOpenGLFunctions>
#include <QQuickFramebufferObject>

#include <functional>

class QOpenGLShaderProgram;
class QQuickWindow;

// Draws a frame item's picture with OpenGL: uploads the three planes as
// single-channel textures and converts YUV to RGB in the fragment shader,
// letterboxed into the item's framebuffer. Lives on the scene's render thread;
// its GL resources are made on the first render that has a picture.
class YuvRenderer : public QQuickFramebufferObject::Renderer, protected QOpenGLFunctions
{
public:
    static const char *const VertexShader;
    static const char *const FragmentShader;

    // Copies the item's current frame (and whether it has one); called only
    // while the renderer synchronises with its item.
    using Snapshot = std::function<void(VideoFrame &frame, bool &hasFrame)>;

    explicit YuvRenderer(Snapshot snapshot);
    ~YuvRenderer() override;

    void render() override;
    QOpenGLFramebufferObject *createFramebufferObject(const QSize &size) override;
    void synchronize(QQuickFramebufferObject *item) override;

private:
    Snapshot m_snapshot;
    QOpenGLShaderProgram *m_program = nullptr;
    QQuickWindow *m_window = nullptr;
    GLuint m_textures[3] = {0, 0, 0};
    VideoFrame m_frame;
    bool m_hasFrame = false;
};
