#include "state/AiTargetsState.h"

#include "link/Payload.h"

#include <QTimer>
#include <QVariantMap>

#include <algorithm>

AiTargetsState::AiTargetsState(QObject *parent) : QObject(parent), m_lifetime(new QTimer(this))
{
    m_lifetime->setSingleShot(true);
    m_lifetime->setInterval(TargetsLifetimeMs);
    connect(m_lifetime, &QTimer::timeout, this, &AiTargetsState::clearTargets);
}

QVariantList AiTargetsState::aiTargets() const
{
    QVariantList list;
    list.reserve(int(m_targets.size()));
    for (const AiTarget &t : m_targets) {
        QVariantMap map;
        map.insert(QStringLiteral("x"), int(t.x));
        map.insert(QStringLiteral("y"), int(t.y));
        map.insert(QStringLiteral("w"), int(t.w));
        map.insert(QStringLiteral("h"), int(t.h));
        map.insert(QStringLiteral("confidence"), int(t.confidence));
        map.insert(QStringLiteral("categoryId"), int(t.categoryId));
        list.append(map);
    }
    return list;
}

// Report: records of 10 bytes from offset 0, then the announced count and the
// detection status as the last two bytes.
void AiTargetsState::applyTargetReport(const QByteArray &payload, bool fromTracking)
{
    m_targets.clear(); // keeps its capacity for the next report
    m_trackingActive = fromTracking;
    const int n = payload.size();
    if (n >= TrailerSize) {
        m_detectStatus = Payload::readU8(payload, n - 1);
        const int announced = Payload::readU8(payload, n - 2);
        const int room = (n - TrailerSize) / RecordSize;
        // A count of 0 (or one the payload cannot hold) means: every complete
        // record there is.
        const int count = (announced == 0 || announced > room) ? room : announced;
        for (int i = 0; i < count; ++i) {
            const int at = i * RecordSize;
            AiTarget t;
            t.x = Payload::readU16(payload, at);
            t.y = Payload::readU16(payload, at + 2);
            t.w = Payload::readU16(payload, at + 4);
            t.h = Payload::readU16(payload, at + 6);
            t.confidence = Payload::readU8(payload, at + 8);
            t.categoryId = Payload::readU8(payload, at + 9);
            m_targets.push_back(t);
        }
    }
    m_lifetime->start();
    emit aiTargetsChanged();
}

void AiTargetsState::clearTargets()
{
    m_lifetime->stop();
    if (m_targets.empty() && !m_trackingActive)
        return;
    m_targets.clear();
    m_trackingActive = false;
    emit aiTargetsChanged();
}

void AiTargetsState::endTracking()
{
    if (m_trackingActive)
        clearTargets();
}

// The reply comes in two forms: with the result code first (00 00 then a
// switch byte of 0 or 1) or, from older firmware, the configuration alone.
void AiTargetsState::applyCategoriesReply(const QByteArray &payload)
{
    const int n = payload.size();
    if (n == 0)
        return;
    const bool withResult = n >= 3 && Payload::readU8(payload, 0) == 0 &&
                            Payload::readU8(payload, 1) == 0 && Payload::readU8(payload, 2) <= 1;
    const int start = withResult ? 2 : 0;
    const bool enabled = Payload::readU8(payload, start) == 1;
    // Same bit mask as the recognition command: bit b of byte j is category
    // 8·j + b + 1.
    const int maskBytes = std::min(n - start - 1, MaskBytes);
    QVariantList categories;
    for (int j = 0; j < maskBytes; ++j) {
        const quint8 bits = Payload::readU8(payload, start + 1 + j);
        for (int b = 0; b < 8; ++b) {
            if (bits & (1u << b))
                categories.append(8 * j + b + 1);
        }
    }
    setRecognitionConfig(enabled, categories);
}

void AiTargetsState::setRecognitionConfig(bool enabled, const QVariantList &categories)
{
    // Categories are whole numbers; the interface may hand them over as reals.
    QVariantList normalized;
    normalized.reserve(categories.size());
    for (const QVariant &v : categories)
        normalized.append(v.toInt());
    if (enabled == m_recognitionEnabled && normalized == m_selectedCategories)
        return;
    m_recognitionEnabled = enabled;
    m_selectedCategories = normalized;
    emit aiRecognitionConfigChanged();
    if (!enabled && !m_trackingActive)
        clearTargets();
}

void AiTargetsState::reset()
{
    m_lifetime->stop();
    m_targets.clear();
    m_detectStatus = 0;
    m_trackingActive = false;
    m_recognitionEnabled = false;
    m_selectedCategories.clear();
    emit aiTargetsChanged();
    emit aiRecognitionConfigChanged();
}
