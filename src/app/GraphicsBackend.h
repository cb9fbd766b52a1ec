#pragma once

#include <QString>

// Picks how the scene is drawn before it loads. A machine without OpenGL (no
// display, no GPU driver, the offscreen platform) would otherwise abort when
// the first window tries to make its GL context; there the scene is drawn in
// software instead, which the video item supports as well.
class GraphicsBackend
{
public:
    enum Choice {
        OpenGL,   // OpenGL works: the scene's usual backend
        Software, // no OpenGL: switched to the software backend
        Given,    // the environment already names a backend; left alone
    };

    // Needs the application object. Writes one line to standard error when
    // it switches to software or runs on the offscreen platform.
    static Choice chooseBeforeScene();

    // True when an OpenGL context can be made and made current here.
    static bool openGLWorks();

    // What chooseBeforeScene() prints for `choice` on `platform` (empty when
    // there is nothing to say).
    static QString notice(Choice choice, const QString &platform);
};
