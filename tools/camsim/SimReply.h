#pragma once

#include "catalog/ModelOption.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// One frame the camera wants to send: the 24-bit message id (code in bits
// 0-15, kind in bits 16-23) and its payload. Framing is the link's business.
struct SimFrame {
    quint32 messageId = 0;
    QByteArray payload;
};

// The codes the camera's answers and reports carry, spoken by the camera and
// by each of its parts.
struct SimCodes {
    // Result codes of acknowledgements (bytes 0-1 of the reply).
    enum Result : quint16 {
        Ok = 0,
        UnknownCommand = 1,
        Unsupported = 2, // the model lacks the function
        InvalidParameter = 3,
        NotReady = 4, // card missing or full, capture busy, not in album mode
        NotFound = 5, // no such file on the card
    };

    // Player states as the playback status report carries them.
    enum PlayState : quint8 { PlayIdle = 0, Playing = 2, PlayPaused = 3, PlayFinished = 7 };
};

// Building answers and reports, and reading what commands carry.
namespace SimReply
{

constexpr quint32 AckKind = 1;
// Playback and ranging reports always come as this kind, whatever kind the
// periodic status reports are sent as.
constexpr quint32 SecondStatusKind = 2;

inline SimFrame frame(quint32 kind, quint16 code, const QByteArray &payload)
{
    return SimFrame{quint32(code) | (kind << 16), payload};
}

inline SimFrame ack(quint16 code, const QByteArray &payload)
{
    return frame(AckKind, code, payload);
}

// Degrees as signed hundredths and temperatures as signed tenths, held
// within what 16 bits carry.
qint16 centi(double degrees);
qint16 tenths(double value);

bool hasOptionValue(const QVector<ModelOption> &options, int value);
// The option a device code written by the program selects, or nullptr.
const ModelOption *optionByWriteValue(const QVector<ModelOption> &options, int written);

// A device path: one length byte at `at`, the UTF-8 bytes at `from`.
bool readPath(const QByteArray &p, int at, int from, QString *path);

} // namespace SimReply
