#include "app/QmlFrontEnd.h"

#include "app/AppCore.h"
#include "app/AppKeyFilter.h"

#include <QQmlContext>

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
