#pragma once

#include <QString>
#include <QVariantMap>

class AppCore;
class AppKeyFilter;
class QObject;
class QQmlContext;

// Hands the object graph to the scene under the names its files use.
class QmlFrontEnd
{
public:
    // Publishes every object of the core, then creates the key filter (owned
    // by keyFilterOwner) and publishes it last. Returns the key filter.
    static AppKeyFilter *publish(QQmlContext *context, AppCore *core, QObject *keyFilterOwner);

    // Registers the scene's native item types ("FramelessHelper" in
    // Skyrig.UI); call before the scene is loaded.
    static void registerTypes();

    // The scene's start-up choices from the command line, as the main
    // window's initial properties.
    static QVariantMap initialProperties(const QString &section, bool smokeAlbum);

    // Makes the scene files, icons and pictures of the program's resources
    // available; safe to call more than once.
    static void initResources();
};
