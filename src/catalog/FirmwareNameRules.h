#pragma once

#include <QString>

// Names an upgrade package must carry before it may be sent to a camera.
// Only products upgraded over HTTP have a rule; every other model has no
// valid package name at all.
class FirmwareNameRules
{
public:
    // The short "Heron-Mini" id shares the package rule of Heron-Mini-B.
    static QString firmwareModelKey(const QString &id);
    // Pattern shown to the operator; empty when the model has no rule.
    static QString firmwareFileNameHint(const QString &id, bool chinese);
    static bool isFirmwareFileNameValid(const QString &id, const QString &path);
};
