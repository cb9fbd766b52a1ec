#pragma once

#include "link/BilingualText.h"

#include <QString>

// The operator's actions that an input can be bound to. Axis actions take a
// whole stick axis and steer at a speed that follows its deflection; held
// actions last while their key or button is down; press actions happen once
// per press. Most drive the camera; some act on the interface alone.
class InputAction
{
public:
    enum Id {
        Yaw,
        Pitch,
        PitchUp,
        PitchDown,
        YawLeft,
        YawRight,
        Fine,
        Centre,
        LookDown,
        ZoomIn,
        ZoomOut,
        ZoomStepIn,
        ZoomStepOut,
        ZoomWide,
        Photo,
        Record,
        VideoStats,
        Count
    };
    enum Kind { Axis, Held, Press };

    static Kind kind(Id id);
    // The name scripts and the settings use ("pitchUp").
    static QString name(Id id);
    // -1 for a name that is no action.
    static int fromName(const QString &name);
    static BilingualText label(Id id);
    // Whether the action drives the camera (and so needs the link); the
    // others act on the interface alone.
    static bool needsLink(Id id) { return id != VideoStats; }
};
