#pragma once

#include "camsim/SimReply.h"

#include <QByteArray>

struct ModelSpec;

// The visible-light camera: its zoom lens (set, or moving until the end of
// its range) and its exposure and picture settings, read back whole and
// partly reported in the visible camera status.
class SimVisible : public SimCodes
{
public:
    explicit SimVisible(const ModelSpec &model);

    // A command of the visible group or a zoom command; `extra` takes what
    // the answer carries after the result.
    quint16 command(quint16 code, const QByteArray &p, QByteArray *extra);
    // Moves a zooming lens on by `dt` seconds.
    void moveZoom(double dt);
    void stopZoom() { m_zoomDir = 0; }
    // Back to factory settings (highlight, backlight and night settings stay).
    void reset();

    double zoom() const { return m_zoom; }
    QByteArray statusPayload() const;

private:
    const ModelSpec &m_model;
    double m_zoom = 1.0;
    int m_zoomDir = 0;
    int m_photoRes = 0, m_recordRes = 0, m_recordBitrate = 0;
    int m_iso = 100, m_shutter = 0, m_ev = 0, m_wb = 0, m_antiFlicker = 0, m_metering = 0;
    int m_highlight = 2, m_highlightValue = 0, m_backlight = 2, m_backlightValue = 0;
    bool m_aeLock = false;
    int m_night = 3, m_nightFps = 0;
    bool m_visFusion = false;
    int m_visFusionIr = 2;
};
