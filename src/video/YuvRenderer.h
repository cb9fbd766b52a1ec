#pragma once

#include "video/VideoFrame.h"

#include <QOpenGLFunctions>
#include <QQuickFramebufferObject>

class QOpenGLShaderProgram;
class QQuickWindow;

// Draws a VideoFrameItem's picture with OpenGL: uploads the three planes as
// single-channel textures and converts YUV to RGB in the fragment shader,
// letterboxed into the item's framebuffer. Lives on the scene's render thread;
// its GL resources are made on the first render that has a picture.
class YuvRenderer : public QQuickFramebufferObject::Renderer, protected QOpenGLFunctions
{
public:
    static const char *const VertexShader;
    static const char *const FragmentShader;

    YuvRenderer();
    ~YuvRenderer() override;

    void render() override;
    QOpenGLFramebufferObject *createFramebufferObject(const QSize &size) override;
    void synchronize(QQuickFramebufferObject *item) override;

private:
    QOpenGLShaderProgram *m_program = nullptr;
    QQuickWindow *m_window = nullptr;
    GLuint m_textures[3] = {0, 0, 0};
    VideoFrame m_frame;
    bool m_hasFrame = false;
};
