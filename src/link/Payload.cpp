#include "link/Payload.h"

#include <cmath>

void Payload::appendU16(QByteArray &out, quint16 value)
{
    out.append(char(value & 0xFF));
    out.append(char(value >> 8));
}

void Payload::appendU32(QByteArray &out, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

void Payload::appendFixedString(QByteArray &out, const QString &text, int width)
{
    if (width <= 0)
        return;
    QByteArray utf8 = text.toUtf8();
    if (utf8.size() > width)
        utf8.truncate(width);
    out.append(utf8);
    out.append(QByteArray(width - utf8.size(), '\0'));
}

QString Payload::wholeCharactersWithin(const QString &text, int maxBytes)
{
    const QByteArray utf8 = text.toUtf8();
    if (utf8.size() <= maxBytes)
        return text;
    int cut = qMax(maxBytes, 0);
    // A continuation byte at the cut belongs to a character that started before it.
    while (cut > 0 && (quint8(utf8.at(cut)) & 0xC0) == 0x80)
        --cut;
    return QString::fromUtf8(utf8.left(cut));
}

quint8 Payload::readU8(const QByteArray &in, int offset)
{
    return inside(in, offset, 1) ? quint8(in.at(offset)) : 0;
}

quint16 Payload::readU16(const QByteArray &in, int offset)
{
    if (!inside(in, offset, 2))
        return 0;
    return quint16(quint8(in.at(offset)) | (quint8(in.at(offset + 1)) << 8));
}

quint32 Payload::readU32(const QByteArray &in, int offset)
{
    if (!inside(in, offset, 4))
        return 0;
    quint32 v = 0;
    for (int i = 0; i < 4; ++i)
        v |= quint32(quint8(in.at(offset + i))) << (8 * i);
    return v;
}

QByteArray Payload::readBytes(const QByteArray &in, int offset, int length)
{
    if (!inside(in, offset, length))
        return {};
    return in.mid(offset, length);
}

QString Payload::readFixedString(const QByteArray &in, int offset, int length)
{
    QByteArray bytes = readBytes(in, offset, length);
    const int zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return QString::fromUtf8(bytes);
}

void Payload::writeU16At(QByteArray &out, int offset, quint16 value)
{
    if (!inside(out, offset, 2))
        return;
    out[offset] = char(value & 0xFF);
    out[offset + 1] = char(value >> 8);
}

void Payload::writeU32At(QByteArray &out, int offset, quint32 value)
{
    if (!inside(out, offset, 4))
        return;
    for (int i = 0; i < 4; ++i)
        out[offset + i] = char((value >> (8 * i)) & 0xFF);
}

int Payload::toCentiUnits(float value)
{
    const double scaled = std::round(double(value) * 100.0); // halves away from zero
    if (!(scaled > 0.0))
        return 0;
    return scaled > 32767.0 ? 32767 : int(scaled);
}
