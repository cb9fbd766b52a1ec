#pragma once

#include <QByteArray>
#include <QObject>
#include <QVariantList>

#include <vector>

class QTimer;

// One detected object as the camera reports it: a 10-byte record.
struct AiTarget {
    quint16 x = 0;
    quint16 y = 0;
    quint16 w = 0;
    quint16 h = 0;
    quint8 confidence = 0;
    quint8 categoryId = 0; // 1-based category number
};
static_assert(sizeof(AiTarget) == 10, "AiTarget mirrors the 10-byte wire record");

// Targets the camera last reported and the recognition configuration.
// Targets are only shown while the camera keeps reporting them: a camera
// that stops recognising or tracking simply stops sending reports, and the
// last boxes must not stay on the picture as if they were current.
class AiTargetsState : public QObject
{
    Q_OBJECT
public:
    static constexpr int RecordSize = 10;
    static constexpr int TrailerSize = 2;
    static constexpr int MaskBytes = 16;
    // A recognising camera reports several times a second.
    static constexpr int TargetsLifetimeMs = 2000;

    explicit AiTargetsState(QObject *parent = nullptr);

    // One map per target (x, y, w, h, confidence, categoryId), built on read.
    QVariantList aiTargets() const;
    int aiDetectStatus() const { return m_detectStatus; }
    bool aiTrackingActive() const { return m_trackingActive; }
    bool aiRecognitionEnabled() const { return m_recognitionEnabled; }
    QVariantList aiSelectedCategories() const { return m_selectedCategories; }
    const std::vector<AiTarget> &targets() const { return m_targets; }

    // A report is never rejected: it yields the complete records that fit.
    void applyTargetReport(const QByteArray &payload, bool fromTracking);
    void applyCategoriesReply(const QByteArray &payload);
    // Switching recognition off also takes its boxes off the picture.
    void setRecognitionConfig(bool enabled, const QVariantList &categories);
    // Tracking was stopped: no tracking box any more.
    void endTracking();
    void reset();

signals:
    void aiTargetsChanged();
    void aiRecognitionConfigChanged();

private:
    void clearTargets();

    QTimer *m_lifetime;
    std::vector<AiTarget> m_targets;
    int m_detectStatus = 0;
    bool m_trackingActive = false;
    bool m_recognitionEnabled = false;
    QVariantList m_selectedCategories;
};
