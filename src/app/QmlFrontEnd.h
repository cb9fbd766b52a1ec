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
    // by keyFilterOwner), feeds its keys to the core's input router and
    // publishes it last. Returns the key filter.
    static AppKeyFilter *publish(QQmlContext *context, AppCore *core, QObject *keyFilterOwner);

    // Registers the scene's native item types ("FramelessHelper" in
    // Skyrig.UI; VideoFrameItem and VideoPlayer in Skyrig.Video 1.0), the
    // zoom directions (ZoomDirection in Skyrig.Commands 1.0) and the
    // metatypes the video signals carry; call before the scene is loaded
    // (publish() calls it too). Safe to call more than once.
    static void registerTypes();

    // The scene's start-up choices from the command line, as the main
    // window's initial properties.
    static QVariantMap initialProperties(const QString &section, bool smokeAlbum);

    // Makes the scene files, icons and pictures of the program's resources
    // available; safe to call more than once.
    static void initResources();

    // Call once the scene's engine is gone. Qt keeps every picture the scene
    // decoded (the icons are SVG data) in a cache for the life of the
    // process, and the software scene graph keeps a texture for each that it
    // only frees on a frame after the picture is dropped: at exit, never.
    // This drops the cached pictures and lets the software scene graph sync
    // once more, so it frees those textures (with OpenGL they go with the
    // context; nothing to do).
    static void releaseSceneCaches();
};
