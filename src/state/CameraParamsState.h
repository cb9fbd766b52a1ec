#pragma once

#include <QByteArray>
#include <QObject>

// Visible and infrared camera parameters. Three sources feed them, the newest
// winning: the initial values, the read-backs of all parameters, and the local
// echo of a setting just sent (so the interface follows the operator at once).
class CameraParamsState : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int photoResolution READ photoResolution NOTIFY cameraParamsChanged)
    Q_PROPERTY(int recordResolution READ recordResolution NOTIFY cameraParamsChanged)
    Q_PROPERTY(int recordBitrate READ recordBitrate NOTIFY cameraParamsChanged)
    Q_PROPERTY(int irPalette READ irPalette NOTIFY cameraParamsChanged)
    Q_PROPERTY(bool irTempEnabled READ irTempEnabled NOTIFY cameraParamsChanged)
    Q_PROPERTY(bool irTempIsArea READ irTempIsArea NOTIFY cameraParamsChanged)
    Q_PROPERTY(int irZoom READ irZoom NOTIFY cameraParamsChanged)
    Q_PROPERTY(int irSharpness READ irSharpness NOTIFY cameraParamsChanged)
    Q_PROPERTY(int irGainMode READ irGainMode NOTIFY cameraParamsChanged)
    Q_PROPERTY(int irBrightness READ irBrightness NOTIFY cameraParamsChanged)
    Q_PROPERTY(int irContrast READ irContrast NOTIFY cameraParamsChanged)
    Q_PROPERTY(bool irDenoiseEnabled READ irDenoiseEnabled NOTIFY cameraParamsChanged)
    Q_PROPERTY(int irDenoiseLevel READ irDenoiseLevel NOTIFY cameraParamsChanged)
    Q_PROPERTY(bool irEnhanceEnabled READ irEnhanceEnabled NOTIFY cameraParamsChanged)
    Q_PROPERTY(int irEnhanceLevel READ irEnhanceLevel NOTIFY cameraParamsChanged)
    Q_PROPERTY(bool irAiSuperResEnabled READ irAiSuperResEnabled NOTIFY cameraParamsChanged)
    Q_PROPERTY(bool irFusionEnabled READ irFusionEnabled NOTIFY cameraParamsChanged)
    Q_PROPERTY(int irFusionVisWeight READ irFusionVisWeight NOTIFY cameraParamsChanged)
    Q_PROPERTY(int irFusionIrWeight READ irFusionIrWeight NOTIFY cameraParamsChanged)
    Q_PROPERTY(bool irFusionGray READ irFusionGray NOTIFY cameraParamsChanged)
    Q_PROPERTY(bool visFusionEnabled READ visFusionEnabled NOTIFY cameraParamsChanged)
    Q_PROPERTY(int visFusionIrWeight READ visFusionIrWeight NOTIFY cameraParamsChanged)
    Q_PROPERTY(int visFusionVisWeight READ visFusionVisWeight NOTIFY cameraParamsChanged)
    Q_PROPERTY(bool visFusionGray READ visFusionGray NOTIFY cameraParamsChanged)

public:
    static constexpr int VisibleReplySize = 5;
    static constexpr int VisibleWithFusionSize = 21;
    static constexpr int InfraredReplySize = 10;
    static constexpr int InfraredWithFusionSize = 23;
    static constexpr int FusionScale = 10;

    explicit CameraParamsState(QObject *parent = nullptr);

    int photoResolution() const { return m_v.photoResolution; }
    int recordResolution() const { return m_v.recordResolution; }
    int recordBitrate() const { return m_v.recordBitrate; }
    int irPalette() const { return m_v.irPalette; }
    bool irTempEnabled() const { return m_v.irTempEnabled; }
    bool irTempIsArea() const { return m_v.irTempIsArea; }
    int irZoom() const { return m_v.irZoom; }
    int irSharpness() const { return m_v.irSharpness; }
    int irGainMode() const { return m_v.irGainMode; }
    int irBrightness() const { return m_v.irBrightness; }
    int irContrast() const { return m_v.irContrast; }
    bool irDenoiseEnabled() const { return m_v.irDenoiseEnabled; }
    int irDenoiseLevel() const { return m_v.irDenoiseLevel; }
    bool irEnhanceEnabled() const { return m_v.irEnhanceEnabled; }
    int irEnhanceLevel() const { return m_v.irEnhanceLevel; }
    bool irAiSuperResEnabled() const { return m_v.irAiSuperResEnabled; }
    bool irFusionEnabled() const { return m_v.irFusionEnabled; }
    int irFusionVisWeight() const { return m_v.irFusionVisWeight; }
    int irFusionIrWeight() const { return m_v.irFusionIrWeight; }
    bool irFusionGray() const { return m_v.irFusionGray; }
    bool visFusionEnabled() const { return m_v.visFusionEnabled; }
    int visFusionIrWeight() const { return m_v.visFusionIrWeight; }
    int visFusionVisWeight() const { return m_v.visFusionVisWeight; }
    bool visFusionGray() const { return m_v.visFusionGray; }

    // Read-backs: false (nothing changed) when too short or the result code
    // bytes are not both 0.
    bool applyVisible(const QByteArray &payload);
    bool applyInfrared(const QByteArray &payload);

    // Local echoes: cameraParamsChanged only when a value really changed.
    void setIrTempEnabled(bool on);
    void setIrBrightness(int value);
    void setIrContrast(int value);
    void setIrDenoise(bool on, int level);
    void setIrEnhanceLevel(int level);
    void setIrAiSuperResEnabled(bool on);
    void setIrFusion(bool on, int visWeight);
    void setIrFusionGray(bool gray);
    void setVisFusion(bool on, int irWeight);
    void setVisFusionGray(bool gray);

    // Back to the initial values; always signals.
    void reset();

signals:
    void cameraParamsChanged();

private:
    struct Values {
        int photoResolution = 0;
        int recordResolution = 0;
        int recordBitrate = 0;
        int irPalette = 0;
        bool irTempEnabled = true;
        bool irTempIsArea = false;
        int irZoom = 1;
        int irSharpness = 0;
        int irGainMode = 0;
        int irBrightness = 50;
        int irContrast = 50;
        bool irDenoiseEnabled = false;
        int irDenoiseLevel = 50;
        bool irEnhanceEnabled = false;
        int irEnhanceLevel = 5;
        bool irAiSuperResEnabled = false;
        bool irFusionEnabled = false;
        int irFusionVisWeight = 8;
        int irFusionIrWeight = 2;
        bool irFusionGray = false;
        bool visFusionEnabled = false;
        int visFusionIrWeight = 2;
        int visFusionVisWeight = 8;
        bool visFusionGray = false;
    };

    // Stores one value, telling whether it differed.
    template <typename T> static bool assign(T &field, T value)
    {
        if (field == value)
            return false;
        field = value;
        return true;
    }
    void notifyIf(bool changed);
    void applyEnhancementByte(quint8 e);

    Values m_v;
};
