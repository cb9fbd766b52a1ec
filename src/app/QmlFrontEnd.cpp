#include "app/QmlFrontEnd.h"

#include "app/AppCore.h"
#include "app/AppKeyFilter.h"
#include "catalog/AppSettingsBridge.h"
#include "catalog/CameraModelBridge.h"
#include "commands/GimbalController.h"
#include "link/ConnectionBridge.h"
#include "link/TransportManager.h"
#include "log/LogBridge.h"
#include "state/GimbalState.h"

#include <QQmlContext>
#include <QStringListModel>

AppKeyFilter *QmlFrontEnd::publish(QQmlContext *context, AppCore *core, QObject *keyFilterOwner)
{
    if (!context || !core)
        return nullptr;
    context->setContextProperty(QStringLiteral("transportManager"), core->transportManager());
    context->setContextProperty(QStringLiteral("controller"), core->controller());
    context->setContextProperty(QStringLiteral("gimbalState"), core->gimbalState());
    context->setContextProperty(QStringLiteral("connBridge"), core->connectionBridge());
    context->setContextProperty(QStringLiteral("logModel"), core->logModel());
    context->setContextProperty(QStringLiteral("appLog"), core->logBridge());
    context->setContextProperty(QStringLiteral("appSettings"), core->appSettings());
    context->setContextProperty(QStringLiteral("cameraModel"), core->cameraModel());
    auto *keys = new AppKeyFilter(keyFilterOwner);
    context->setContextProperty(QStringLiteral("appKeys"), keys);
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
