#include "state/OsdConfigState.h"

#include "link/Payload.h"

#include <QVariantMap>

OsdConfigState::OsdConfigState(QObject *parent) : QObject(parent) {}

QVariantList OsdConfigState::osdConfigs() const
{
    QVariantList list;
    if (!m_hasItems)
        return list;
    list.reserve(ItemCount);
    for (int i = 0; i < ItemCount; ++i) {
        const Item &item = m_items[size_t(i)];
        QVariantMap map;
        map.insert(QStringLiteral("item"), i + 1);
        map.insert(QStringLiteral("enabled"), item.enabled);
        map.insert(QStringLiteral("position"), int(item.position));
        map.insert(QStringLiteral("color"), int(item.color));
        list.append(map);
    }
    return list;
}

bool OsdConfigState::apply(const QByteArray &payload)
{
    if (payload.size() != ReplySize)
        return false;
    for (int i = 0; i < ItemCount; ++i) {
        const quint8 a = Payload::readU8(payload, 2 * i);
        const quint8 b = Payload::readU8(payload, 2 * i + 1);
        Item &item = m_items[size_t(i)];
        item.enabled = a == 1;
        item.position = b & 0x0F;
        item.color = b >> 4;
    }
    m_hasItems = true;
    m_watermarkEnabled = Payload::readU8(payload, 2 * ItemCount) == 1;
    emit osdConfigChanged();
    return true;
}
