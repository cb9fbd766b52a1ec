#include "camsim/SimReply.h"

#include "link/Payload.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>

qint16 SimReply::centi(double degrees)
{
    return qint16(qBound(-32768.0, std::round(degrees * 100.0), 32767.0));
}

qint16 SimReply::tenths(double value)
{
    return qint16(qBound(-32768.0, std::round(value * 10.0), 32767.0));
}

bool SimReply::hasOptionValue(const QVector<ModelOption> &options, int value)
{
    return std::any_of(options.begin(), options.end(),
                       [value](const ModelOption &o) { return o.value == value; });
}

const ModelOption *SimReply::optionByWriteValue(const QVector<ModelOption> &options, int written)
{
    for (const ModelOption &o : options)
        if (o.effectiveWriteValue() == written)
            return &o;
    return nullptr;
}

bool SimReply::readPath(const QByteArray &p, int at, int from, QString *path)
{
    const int length = Payload::readU8(p, at);
    if (p.size() <= at || p.size() < from + length)
        return false;
    *path = QString::fromUtf8(p.mid(from, length));
    return true;
}
