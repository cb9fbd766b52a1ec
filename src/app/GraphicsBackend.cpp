#include "app/GraphicsBackend.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQuickWindow>
#include <QSGRendererInterface>

#include <cstdio>

bool GraphicsBackend::openGLWorks(QString *renderer)
{
    if (renderer)
        renderer->clear();
    QOpenGLContext context;
    if (!context.create())
        return false;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return false;
    const auto *name =
        reinterpret_cast<const char *>(context.functions()->glGetString(GL_RENDERER));
    if (renderer && name)
        *renderer = QString::fromLatin1(name);
    context.doneCurrent();
    return true;
}

bool GraphicsBackend::isSoftwareRasteriser(const QString &renderer)
{
    return renderer.contains(QLatin1String("llvmpipe"), Qt::CaseInsensitive) ||
           renderer.contains(QLatin1String("softpipe"), Qt::CaseInsensitive);
}

QString GraphicsBackend::notice(Choice choice, const QString &platform, const QString &renderer)
{
    const bool offscreen = platform == QLatin1String("offscreen");
    QStringList lines;
    if (offscreen)
        lines << QStringLiteral("skyrig: running offscreen (no display): nothing is shown, the "
                                "program keeps running until stopped");
    if (choice == Software)
        lines << QStringLiteral("skyrig: OpenGL is not available on platform \"%1\": drawing the "
                                "interface in software, without GPU")
                     .arg(platform);
    if (choice == SoftwareRaster)
        lines << QStringLiteral("skyrig: OpenGL here is only a software rasteriser (%1): drawing "
                                "the interface with Qt Quick's software scene, which costs less "
                                "(QT_QUICK_BACKEND=opengl keeps OpenGL)")
                     .arg(renderer);
    return lines.join(QLatin1Char('\n'));
}

GraphicsBackend::Choice GraphicsBackend::chooseBeforeScene()
{
    Choice choice = OpenGL;
    QString renderer;
    if (!qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND") ||
        !qEnvironmentVariableIsEmpty("QMLSCENE_DEVICE")) {
        choice = Given;
    } else if (!openGLWorks(&renderer)) {
        choice = Software;
    } else if (isSoftwareRasteriser(renderer)) {
        choice = SoftwareRaster;
    }
    if (choice == Software || choice == SoftwareRaster)
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    const QString text = notice(choice, QGuiApplication::platformName(), renderer);
    if (!text.isEmpty()) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        std::fflush(stderr);
    }
    return choice;
}
