#pragma once

#include "link/FrameCodec.h"

#include <QByteArray>
#include <QSignalSpy>
#include <QStringList>

// Helpers shared by the tests that play the device's side of the dispatch.
namespace inbound
{

// A received frame of the given kind (0 status, 1 reply, 2 second status).
inline ParsedFrame frameOf(int kind, int code, const QByteArray &payload)
{
    ParsedFrame frame;
    frame.valid = true;
    frame.messageId = (quint32(kind) << 16) | quint16(code);
    frame.payload = payload;
    return frame;
}

// Hex text as bytes, padded with zero bytes up to SIZE.
inline QByteArray hex(const char *text, int size = 0)
{
    QByteArray out = QByteArray::fromHex(text);
    return out + QByteArray(qMax(0, size - out.size()), '\0');
}

// The first argument of every recorded emission, as text.
inline QStringList texts(const QSignalSpy &spy)
{
    QStringList out;
    for (const QList<QVariant> &args : spy)
        out.append(args.at(0).toString());
    return out;
}

} // namespace inbound
