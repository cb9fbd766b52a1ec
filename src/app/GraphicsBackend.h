#pragma once

#include <QString>

// Picks how the scene is drawn before it loads. A machine without OpenGL (no
// display, no GPU driver, the offscreen platform) would otherwise abort when
// the first window tries to make its GL context; there the scene is drawn in
// software instead, which the video item supports as well. Where OpenGL is
// only a software rasteriser (Mesa's llvmpipe or softpipe: virtual machines,
// remote desktops, Xvfb), Qt Quick's own software scene costs far less than
// rasterising GL on the CPU, so it is chosen there too.
//
// QT_QUICK_BACKEND (or QMLSCENE_DEVICE) overrides the choice: "opengl"
// keeps OpenGL even on a software rasteriser, "software" forces software.
class GraphicsBackend
{
public:
    enum Choice {
        OpenGL,         // OpenGL works on a GPU: the scene's usual backend
        Software,       // no OpenGL: switched to the software backend
        SoftwareRaster, // OpenGL only rasterised on the CPU: software backend
        Given,          // the environment already names a backend; left alone
    };

    // Needs the application object. Writes one line to standard error when
    // it switches to software or runs on the offscreen platform.
    static Choice chooseBeforeScene();

    // True when an OpenGL context can be made and made current here; its
    // renderer's name goes to `renderer` (empty when there is none).
    static bool openGLWorks(QString *renderer = nullptr);
    // Mesa's CPU rasterisers.
    static bool isSoftwareRasteriser(const QString &renderer);

    // What chooseBeforeScene() prints for `choice` on `platform` (empty when
    // there is nothing to say); `renderer` names the rasteriser.
    static QString notice(Choice choice, const QString &platform,
                          const QString &renderer = QString());
};
