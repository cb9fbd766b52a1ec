#pragma once

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

    // Makes the scene files, icons and pictures of the program's resources
    // available; safe to call more than once.
    static void initResources();
};
