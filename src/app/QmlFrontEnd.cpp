#include "app/QmlFrontEnd.h"

#include "app/AppCore.h"
#include "app/AppKeyFilter.h"
#include "app/FramelessHelper.h"
#include "commands/ZoomDirection.h"
#include "input/InputRouter.h"

#include "video/QmlVideoPlayer.h"
#include "video/VideoFrame.h"
#include "video/VideoFrameItem.h"
#include "video/VideoStreamInfo.h"

#include <QGuiApplication>
#include <QQmlContext>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QtQml>

AppKeyFilter *QmlFrontEnd::publish(QQmlContext *context, AppCore *core, QObject *keyFilterOwner)
{
    if (!context || !core)
        return nullptr;
    registerTypes();
    for (const auto &entry : core->publishedObjects())
        context->setContextProperty(entry.first, entry.second);
    auto *keys = new AppKeyFilter(keyFilterOwner);
    context->setContextProperty(QStringLiteral("appKeys"), keys);
    // The keys free to steer go to the bindings; any release ends what its
    // press began.
    InputRouter *router = core->inputRouter();
    QObject::connect(keys, &AppKeyFilter::pressed, router, &InputRouter::keyPressed);
    QObject::connect(keys, &AppKeyFilter::released, router, &InputRouter::keyReleased);
    QObject::connect(keys, &AppKeyFilter::interrupted, router, &InputRouter::keysInterrupted);
    return keys;
}

void QmlFrontEnd::initResources()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    Q_INIT_RESOURCE(qml);
}

void QmlFrontEnd::releaseSceneCaches()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    QQuickWindow window;
    const QSGRendererInterface *renderer = window.rendererInterface();
    if (!renderer || renderer->graphicsApi() != QSGRendererInterface::Software)
        return;
    window.releaseResources();
    // A window that was never shown is drawn for the grab without appearing.
    window.grabWindow();
}

void QmlFrontEnd::registerTypes()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    VideoFrame::registerMetaType();
    VideoStreamInfo::registerMetaType();
    qmlRegisterType<VideoFrameItem>("Skyrig.Video", 1, 0, "VideoFrameItem");
    qmlRegisterType<QmlVideoPlayer>("Skyrig.Video", 1, 0, "VideoPlayer");
    qmlRegisterType<FramelessHelper>("Skyrig.UI", 1, 0, "FramelessHelper");
    qmlRegisterUncreatableMetaObject(ZoomDirection::staticMetaObject, "Skyrig.Commands", 1, 0,
                                     "ZoomDirection", QStringLiteral("an enumeration"));
}

QVariantMap QmlFrontEnd::initialProperties(const QString &section, bool smokeAlbum)
{
    QVariantMap properties;
    if (!section.isEmpty())
        properties.insert(QStringLiteral("startSection"), section);
    if (smokeAlbum)
        properties.insert(QStringLiteral("smokeAlbum"), true);
    return properties;
}
