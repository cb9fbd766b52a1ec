#include "app/AppCommandLine.h"
#include "app/AppCore.h"
#include "app/GraphicsBackend.h"
#include "app/QmlFrontEnd.h"
#include "app/ScreenshotTaker.h"
#include "app/StartupLog.h"
#include "app/WindowFitter.h"
#include "link/Language.h"
#include "log/LogDirectory.h"

#include <QApplication>
#include <QDebug>
#include <QFont>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <SkyrigVersion.h>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    // Answered before any window system is touched, so they work anywhere.
    QString answer;
    if (AppCommandLine::answersAtOnce(argc, argv, answer)) {
        std::fputs(answer.toUtf8().constData(), stdout);
        return 0;
    }

    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QApplication app(argc, argv);
    AppCommandLine commandLine;
    if (!commandLine.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "skyrig: %s\nTry 'skyrig --help'.\n",
                     commandLine.errorText().toLocal8Bit().constData());
        return 1;
    }

    // Identity first: every settings store opened from here on is the
    // per-user "Skyrig" one.
    QApplication::setFont(QFont(QStringLiteral("Microsoft YaHei UI")));
    QCoreApplication::setOrganizationName(QStringLiteral("Skyrig"));
    QCoreApplication::setApplicationName(QStringLiteral("Skyrig"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SKYRIG_VERSION));
    // The installed desktop entry's id: Wayland compositors match the window
    // to the entry (name, icon) by it.
    QGuiApplication::setDesktopFileName(QStringLiteral(SKYRIG_APP_ID));
    QmlFrontEnd::initResources();
    const QIcon icon(QStringLiteral(":/icons/app-icon.png"));
    if (!icon.isNull())
        QApplication::setWindowIcon(icon);

    StartupLog startupLog(LogDirectory::choose());
    GraphicsBackend::chooseBeforeScene();
    // --lang is this run's language; the stored choice stays as it was.
    if (!commandLine.language().isEmpty())
        Language::overrideForThisRun(commandLine.language() == QLatin1String("zh"));
    QmlFrontEnd::registerTypes();

    auto *core = new AppCore(&app);
    // Game controllers are read on a thread of their own; with none plugged
    // in (or none possible) nothing changes.
    core->startGamepads();

    auto engine = std::make_unique<QQmlApplicationEngine>();
    startupLog.attach(engine.get());
    QmlFrontEnd::publish(engine->rootContext(), core, &app);

    engine->addImportPath(QStringLiteral("qrc:/qml"));
    engine->setInitialProperties(
        QmlFrontEnd::initialProperties(commandLine.section(), commandLine.smokeAlbum()));
    const QUrl mainUrl(QStringLiteral("qrc:/qml/main.qml"));
    QObject::connect(
        engine.get(), &QQmlApplicationEngine::objectCreated, &app,
        [mainUrl](QObject *object, const QUrl &url) {
            if (!object && url == mainUrl)
                QCoreApplication::exit(-1);
        },
        Qt::QueuedConnection);
    engine->load(mainUrl);

    const QList<QObject *> roots = engine->rootObjects();
    qDebug() << "QML root object count:" << roots.size();
    startupLog.writeLine(QStringLiteral("QML root object count: %1").arg(roots.size()));

    if (roots.isEmpty()) {
        qCritical() << "Failed to load" << mainUrl;
    } else {
        QQuickWindow *window = nullptr;
        for (QObject *object : roots) {
            window = qobject_cast<QQuickWindow *>(object);
            if (window)
                break;
        }
        if (window) {
            if (!icon.isNull())
                window->setIcon(icon);
            window->hide();
            WindowFitter::fit(window);
            QObject::connect(window, &QWindow::screenChanged, window,
                             [window] { WindowFitter::fit(window); });
            QTimer::singleShot(0, window, [window] {
                WindowFitter::fit(window);
                window->show();
            });
            if (!commandLine.screenshotFile().isEmpty())
                new ScreenshotTaker(window, commandLine.screenshotFile(),
                                    commandLine.screenshotDelayMs(), &app);
        }
    }

    startupLog.flush();
    const int status = app.exec();
    engine.reset();
    QmlFrontEnd::releaseSceneCaches();
    return status;
}
