#include "video/YuvRenderer.h"

#include "video/Letterbox.h"

#include <QOpenGLFramebufferObject>
#include <QOpenGLFramebufferObjectFormat>
#include <QOpenGLShaderProgram>
#include <QQuickWindow>

#include <utility>

const char *const YuvRenderer::VertexShader = "attribute vec2 vertex;\n"
                                              "attribute vec2 texCoord;\n"
                                              "varying vec2 vTexCoord;\n"
                                              "void main() {\n"
                                              "    vTexCoord = texCoord;\n"
                                              "    gl_Position = vec4(vertex, 0.0, 1.0);\n"
                                              "}\n";

const char *const YuvRenderer::FragmentShader =
    "varying highp vec2 vTexCoord;\n"
    "uniform sampler2D texY;\n"
    "uniform sampler2D texU;\n"
    "uniform sampler2D texV;\n"
    "void main() {\n"
    "    highp float y = (texture2D(texY, vTexCoord).r - 0.062745) * 1.164384;\n"
    "    highp float u = texture2D(texU, vTexCoord).r - 0.5;\n"
    "    highp float v = texture2D(texV, vTexCoord).r - 0.5;\n"
    "    highp float r = y + 1.792741 * v;\n"
    "    highp float g = y - 0.213249 * u - 0.532909 * v;\n"
    "    highp float b = y + 2.112402 * u;\n"
    "    gl_FragColor = vec4(clamp(r, 0.0, 1.0), clamp(g, 0.0, 1.0), clamp(b, 0.0, 1.0), "
    "1.0);\n"
    "}\n";

YuvRenderer::YuvRenderer(Snapshot snapshot) : m_snapshot(std::move(snapshot))
{
    initializeOpenGLFunctions();
}

YuvRenderer::~YuvRenderer()
{
    if (m_textures[0] || m_textures[1] || m_textures[2]) {
        glDeleteTextures(3, m_textures);
        m_textures[0] = m_textures[1] = m_textures[2] = 0;
    }
    delete m_program;
}

QOpenGLFramebufferObject *YuvRenderer::createFramebufferObject(const QSize &size)
{
    QOpenGLFramebufferObjectFormat format;
    format.setAttachment(QOpenGLFramebufferObject::NoAttachment);
    return new QOpenGLFramebufferObject(size, format);
}

void YuvRenderer::synchronize(QQuickFramebufferObject *item)
{
    m_window = item->window();
    m_snapshot(m_frame, m_hasFrame);
}

void YuvRenderer::render()
{
    QOpenGLFramebufferObject *target = framebufferObject();
    const int fbWidth = target ? target->width() : 0;
    const int fbHeight = target ? target->height() : 0;
    glViewport(0, 0, fbWidth, fbHeight);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glClearColor(Letterbox::BackgroundRed, Letterbox::BackgroundGreen, Letterbox::BackgroundBlue,
                 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);

    const int width = m_frame.width;
    const int height = m_frame.height;
    const QRectF shown = Letterbox::fit(width, height, fbWidth, fbHeight);
    if (!m_hasFrame || shown.isEmpty() || !m_frame.isValid())
        return;

    if (!m_program) {
        m_program = new QOpenGLShaderProgram;
        m_program->addShaderFromSourceCode(QOpenGLShader::Vertex, VertexShader);
        m_program->addShaderFromSourceCode(QOpenGLShader::Fragment, FragmentShader);
        m_program->bindAttributeLocation("vertex", 0);
        m_program->bindAttributeLocation("texCoord", 1);
        m_program->link();
    }
    if (!m_textures[0]) {
        glGenTextures(3, m_textures);
        for (GLuint texture : m_textures) {
            glBindTexture(GL_TEXTURE_2D, texture);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        }
    }

    const int cw = VideoFrame::chromaWidth(width);
    const int ch = VideoFrame::chromaHeight(height);
    const QByteArray *planes[3] = {&m_frame.yPlane, &m_frame.uPlane, &m_frame.vPlane};
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
#ifdef GL_UNPACK_ROW_LENGTH
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
#endif
    for (int i = 0; i < 3; ++i) {
        glActiveTexture(GL_TEXTURE0 + GLenum(i));
        glBindTexture(GL_TEXTURE_2D, m_textures[i]);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, i == 0 ? width : cw, i == 0 ? height : ch, 0,
                     GL_LUMINANCE, GL_UNSIGNED_BYTE, planes[i]->constData());
    }

    // The fitted rectangle in clip coordinates (-1 ... 1 across the buffer).
    const GLfloat x0 = GLfloat(2 * shown.left() / fbWidth - 1);
    const GLfloat x1 = GLfloat(2 * shown.right() / fbWidth - 1);
    const GLfloat y0 = GLfloat(2 * shown.top() / fbHeight - 1);
    const GLfloat y1 = GLfloat(2 * shown.bottom() / fbHeight - 1);
    const GLfloat vertices[16] = {x0, y0, 0.0f, 0.0f, x1, y0, 1.0f, 0.0f,
                                  x0, y1, 0.0f, 1.0f, x1, y1, 1.0f, 1.0f};

    m_program->bind();
    for (int i = 0; i < 3; ++i) {
        glActiveTexture(GL_TEXTURE0 + GLenum(i));
        glBindTexture(GL_TEXTURE_2D, m_textures[i]);
    }
    m_program->setUniformValue("texY", 0);
    m_program->setUniformValue("texU", 1);
    m_program->setUniformValue("texV", 2);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(GLfloat), vertices);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(GLfloat), vertices + 2);
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDisableVertexAttribArray(0);
    glDisableVertexAttribArray(1);
    m_program->release();
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    if (m_window)
        m_window->resetOpenGLState();
}
