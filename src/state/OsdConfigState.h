#pragma once

#include <QByteArray>
#include <QObject>
#include <QVariantList>

#include <array>

// Layout of the camera's on-screen display read back from the device.
class OsdConfigState : public QObject
{
    Q_OBJECT
public:
    static constexpr int ItemCount = 15;
    static constexpr int ReplySize = 2 * ItemCount + 1;

    explicit OsdConfigState(QObject *parent = nullptr);

    // One map per item (item, enabled, position, color), built on each read.
    QVariantList osdConfigs() const;
    bool osdWatermarkEnabled() const { return m_watermarkEnabled; }

    // Only a reply of exactly the full size is used; returns false otherwise.
    bool apply(const QByteArray &payload);

signals:
    void osdConfigChanged();

private:
    struct Item {
        bool enabled = false;
        quint8 position = 0;
        quint8 color = 0;
    };
    std::array<Item, ItemCount> m_items{};
    bool m_hasItems = false;
    bool m_watermarkEnabled = false;
};
