#include "app/GraphicsBackend.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QQuickWindow>
#include <QSGRendererInterface>

#include <cstdio>

bool GraphicsBackend::openGLWorks()
{
    QOpenGLContext context;
    if (!context.create())
        return false;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return false;
    context.doneCurrent();
    return true;
}

QString GraphicsBackend::notice(Choice choice, const QString &platform)
{
    const bool offscreen = platform == QLatin1String("offscreen");
    QString text;
    if (offscreen)
        text = QStringLiteral("skyrig: running offscreen (no display): nothing is shown, the "
                              "program keeps running until stopped");
    if (choice == Software) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += QStringLiteral("skyrig: OpenGL is not available on platform \"%1\": drawing the "
                               "interface in software, without GPU")
                    .arg(platform);
    }
    return text;
}

GraphicsBackend::Choice GraphicsBackend::chooseBeforeScene()
{
    Choice choice = OpenGL;
    if (!qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND") ||
        !qEnvironmentVariableIsEmpty("QMLSCENE_DEVICE")) {
        choice = Given;
    } else if (!openGLWorks()) {
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
        choice = Software;
    }
    const QString text = notice(choice, QGuiApplication::platformName());
    if (!text.isEmpty()) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        std::fflush(stderr);
    }
    return choice;
}
