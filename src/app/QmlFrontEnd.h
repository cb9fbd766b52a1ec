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

    // Registers the scene types (module "Skyrig.Video" 1.0: VideoFrameItem,
    // VideoPlayer) and the metatypes their signals carry; safe to call more
    // than once. publish() calls it too.
    static void registerTypes();

    // Makes the scene files, icons and pictures of the program's resources
    // available; safe to call more than once.
    static void initResources();
};
