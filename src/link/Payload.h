#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Little-endian payload writers and readers shared by every command builder and
// status decoder. Reads outside the array yield 0 (or empty), never fail.
class Payload
{
public:
    static void appendU8(QByteArray &out, int value) { out.append(char(value & 0xFF)); }
    static void appendU16(QByteArray &out, quint16 value);
    static void appendS16(QByteArray &out, qint16 value) { appendU16(out, quint16(value)); }
    static void appendU32(QByteArray &out, quint32 value);
    static void appendS32(QByteArray &out, qint32 value) { appendU32(out, quint32(value)); }
    static void appendBytes(QByteArray &out, const QByteArray &bytes) { out.append(bytes); }
    // The longest start of the text whose UTF-8 fits in maxBytes without
    // cutting a character.
    static QString wholeCharactersWithin(const QString &text, int maxBytes);
    // UTF-8 form cut to at most `width` bytes (even inside a character), then
    // zero-padded to exactly `width` bytes.
    static void appendFixedString(QByteArray &out, const QString &text, int width);

    static quint8 readU8(const QByteArray &in, int offset);
    static quint16 readU16(const QByteArray &in, int offset);
    static qint16 readS16(const QByteArray &in, int offset) { return qint16(readU16(in, offset)); }
    static quint32 readU32(const QByteArray &in, int offset);
    static qint32 readS32(const QByteArray &in, int offset) { return qint32(readU32(in, offset)); }
    static QByteArray readBytes(const QByteArray &in, int offset, int length);
    // The sub-array cut at its first zero byte, decoded as UTF-8.
    static QString readFixedString(const QByteArray &in, int offset, int length);

    static void writeU16At(QByteArray &out, int offset, quint16 value);
    static void writeU32At(QByteArray &out, int offset, quint32 value);

    static int clampInt(int value, int low, int high) { return qMax(qMin(value, high), low); }
    // value × 100 rounded half away from zero, clamped to 0..32767.
    static int toCentiUnits(float value);

private:
    static bool inside(const QByteArray &in, int offset, int width)
    {
        return offset >= 0 && width >= 0 && qint64(offset) + width <= in.size();
    }
};
