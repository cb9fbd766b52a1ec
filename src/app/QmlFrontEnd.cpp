#include "app/QmlFrontEnd.h"

#include "app/AppCore.h"
#include "app/AppKeyFilter.h"
#include "app/FramelessHelper.h"

#include <QQmlContext>
#include <QtQml>

AppKeyFilter *QmlFrontEnd::publish(QQmlContext *context, AppCore *core, QObject *keyFilterOwner)
{
    if (!context || !core)
        return nullptr;
    for (const auto &entry : core->publishedObjects())
        context->setContextProperty(entry.first, entry.second);
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

void QmlFrontEnd::registerTypes()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    qmlRegisterType<FramelessHelper>("Skyrig.UI", 1, 0, "FramelessHelper");
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
