#pragma once

#include "camsim/SimReply.h"

#include <QByteArray>

class SimGimbal;
struct ModelSpec;

// The infrared camera: palette, zoom and picture settings, and temperature
// measurement of a fixed thermal scene seen where the gimbal points (the
// whole picture, a point or an area), reported in the infrared status.
class SimInfrared : public SimCodes
{
public:
    SimInfrared(const ModelSpec &model, const SimGimbal &gimbal);

    // A command of the infrared group; `extra` takes what the answer carries
    // after the result.
    quint16 command(quint16 code, const QByteArray &p, QByteArray *extra);
    // Back to factory settings (sharpness, gain and the measured point and
    // area stay).
    void reset();
    QByteArray statusPayload() const;

private:
    struct Measured {
        double maxT = 0, minT = 0, avgT = 0;
        int maxX = 0, maxY = 0, minX = 0, minY = 0;
    };

    double temperatureAt(double x, double y) const;
    Measured measure(int x0, int y0, int x1, int y1) const;

    const ModelSpec &m_model;
    const SimGimbal &m_gimbal;
    int m_palette = 1, m_zoom = 1, m_sharpness = 3, m_gain = 0;
    int m_brightness = 50, m_contrast = 50;
    bool m_tempOn = true, m_measureArea = false;
    bool m_denoise = false;
    int m_denoiseLevel = 50;
    bool m_enhance = false;
    int m_enhanceLevel = 5;
    bool m_fusion = false;
    int m_fusionVis = 8;
    int m_pointX = 960, m_pointY = 540;
    int m_areaW = 200, m_areaH = 200, m_areaCx = 960, m_areaCy = 540;
};
