#pragma once

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class CameraModelBridge;
class GimbalState;

// What the camera reported at one moment, in the forms it is kept in beside
// a recording (a subtitle cue, a table row) and in a screenshot's text
// fields. Device values are left out (empty, "--") while the camera sends no
// reports, so a stale value never reads as a live one.
struct TelemetrySample {
    QDateTime time;
    bool reporting = false; // attitude reports are coming: the values are live
    double yaw = 0;
    double pitch = 0;
    double roll = 0;
    double zoom = 0;       // hybrid zoom factor; 0 or less: unknown
    bool hasLaser = false; // the model has a laser range finder
    double range = 0;      // metres; 0 or less: no reading
    bool irShown = false;  // the infrared measurement is on screen
    double irMax = 0;
    double irMin = 0;
    double irCentre = 0;
    double irPoint = 0;
    double irAverage = 0;
    QString model;
    QString stream;
    // The device's status values, in the order of statusColumns().
    QStringList status;

    // Reads `state` and `model` (either may be missing) now.
    static TelemetrySample read(const GimbalState *state, const CameraModelBridge *model,
                                bool irShown, const QString &stream);

    // Two subtitle lines: time of day and angles; zoom, range, infrared.
    QString cueText(bool chinese) const;
    static QString csvHeader();
    // One table row, `videoMs` after the recording's first picture.
    QString csvRow(qint64 videoMs) const;
    // Key and value of each text field of a screenshot.
    QList<QPair<QString, QString>> imageFields() const;

    static QStringList statusColumns();
};
