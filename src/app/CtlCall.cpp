#include "app/CtlCall.h"

#include <QMetaObject>
#include <QObject>

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

// A whole number in decimal, or in hexadecimal with a 0x prefix (handy for
// codes); an optional sign in front. Leading zeros stay decimal.
bool parseInteger(const QString &text, qlonglong &value)
{
    QString digits = text.trimmed();
    bool negative = false;
    if (digits.startsWith(QLatin1Char('-')) || digits.startsWith(QLatin1Char('+'))) {
        negative = digits.startsWith(QLatin1Char('-'));
        digits.remove(0, 1);
    }
    if (digits.isEmpty() || digits.startsWith(QLatin1Char('-')) ||
        digits.startsWith(QLatin1Char('+')))
        return false;
    bool ok = false;
    qulonglong magnitude = 0;
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        magnitude = digits.mid(2).toULongLong(&ok, 16);
    else
        magnitude = digits.toULongLong(&ok, 10);
    if (!ok || magnitude > qulonglong(std::numeric_limits<qlonglong>::max()))
        return false;
    value = negative ? -qlonglong(magnitude) : qlonglong(magnitude);
    return true;
}

bool parseInRange(const QString &text, qlonglong low, qlonglong high, qlonglong &value,
                  QString &error)
{
    if (!parseInteger(text, value)) {
        error = QStringLiteral("\"%1\" is not a whole number").arg(text);
        return false;
    }
    if (value < low || value > high) {
        error = QStringLiteral("%1 is outside %2..%3").arg(text).arg(low).arg(high);
        return false;
    }
    return true;
}

bool parseNumberList(const QString &text, QVariantList &values, QString &error)
{
    if (text.trimmed().isEmpty())
        return true; // "" is the empty list
    const QStringList parts = text.split(QLatin1Char(','));
    for (const QString &part : parts) {
        qlonglong whole = 0;
        if (parseInteger(part, whole) && whole >= std::numeric_limits<int>::min() &&
            whole <= std::numeric_limits<int>::max()) {
            values.append(int(whole));
            continue;
        }
        bool ok = false;
        const double real = part.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(real)) {
            error = QStringLiteral("\"%1\" is not a comma-separated list of numbers").arg(text);
            return false;
        }
        values.append(real);
    }
    return true;
}

} // namespace

bool CtlCall::convert(const QByteArray &typeName, const QString &text, QVariant &value,
                      QString &error)
{
    qlonglong whole = 0;
    if (typeName == "int") {
        if (!parseInRange(text, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(),
                          whole, error))
            return false;
        value = QVariant::fromValue(int(whole));
        return true;
    }
    if (typeName == "uint" || typeName == "uint32_t" || typeName == "quint32" ||
        typeName == "unsigned int") {
        if (!parseInRange(text, 0, std::numeric_limits<uint>::max(), whole, error))
            return false;
        value = QVariant::fromValue(uint(whole));
        return true;
    }
    if (typeName == "ushort" || typeName == "quint16" || typeName == "uint16_t" ||
        typeName == "unsigned short") {
        if (!parseInRange(text, 0, 65535, whole, error))
            return false;
        value = QVariant::fromValue(ushort(whole));
        return true;
    }
    if (typeName == "float" || typeName == "double") {
        bool ok = false;
        const double real = text.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(real) ||
            (typeName == "float" && std::fabs(real) > std::numeric_limits<float>::max())) {
            error = QStringLiteral("\"%1\" is not a number").arg(text);
            return false;
        }
        value = typeName == "float" ? QVariant::fromValue(float(real)) : QVariant(real);
        return true;
    }
    if (typeName == "bool") {
        if (text == QLatin1String("true") || text == QLatin1String("false")) {
            value = QVariant(text == QLatin1String("true"));
            return true;
        }
        error = QStringLiteral("\"%1\" is not true or false").arg(text);
        return false;
    }
    if (typeName == "QString") {
        value = QVariant(text);
        return true;
    }
    if (typeName == "QVector<int>") {
        QVariantList list;
        if (!parseNumberList(text, list, error))
            return false;
        QVector<int> numbers;
        for (const QVariant &entry : list) {
            if (entry.userType() != QMetaType::Int) {
                error = QStringLiteral("\"%1\" is not a comma-separated list of whole numbers")
                            .arg(text);
                return false;
            }
            numbers.append(entry.toInt());
        }
        value = QVariant::fromValue(numbers);
        return true;
    }
    if (typeName == "QVariantList" || typeName == "QList<QVariant>") {
        QVariantList list;
        if (!parseNumberList(text, list, error))
            return false;
        value = QVariant(list);
        return true;
    }
    error = QStringLiteral("parameters of type %1 cannot be given on the command line")
                .arg(QString::fromLatin1(typeName));
    return false;
}

CtlCall::Status CtlCall::resolve(const QObject *target, const QString &name,
                                 const QStringList &args)
{
    m_values.clear();
    m_method = QMetaMethod();
    const QMetaObject *meta = target->metaObject();
    const QByteArray wanted = name.toLatin1();
    QVector<QMetaMethod> candidates;
    for (int i = 0; i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() == QMetaMethod::Method && method.access() == QMetaMethod::Public &&
            method.name() == wanted)
            candidates.append(method);
    }
    if (candidates.isEmpty()) {
        m_error = QStringLiteral("unknown operation \"%1\"").arg(name);
        return UnknownOperation;
    }

    QStringList counts;
    QString conversionError;
    for (const QMetaMethod &method : candidates) {
        counts.append(QString::number(method.parameterCount()));
        if (method.parameterCount() != args.size())
            continue;
        QVector<QVariant> values;
        bool fits = true;
        for (int i = 0; i < args.size() && fits; ++i) {
            QVariant value;
            QString error;
            fits = convert(method.parameterTypes().at(i), args.at(i), value, error);
            if (fits)
                values.append(value);
            else
                conversionError = QStringLiteral("%1: argument %2 (%3 %4): %5")
                                      .arg(name)
                                      .arg(i + 1)
                                      .arg(QString::fromLatin1(method.parameterTypes().at(i)))
                                      .arg(QString::fromLatin1(method.parameterNames().at(i)))
                                      .arg(error);
        }
        if (fits) {
            m_method = method;
            m_values = values;
            return Resolved;
        }
    }
    if (!conversionError.isEmpty()) {
        m_error = conversionError;
        return BadArgument;
    }
    counts.removeDuplicates();
    std::sort(counts.begin(), counts.end(),
              [](const QString &a, const QString &b) { return a.toInt() < b.toInt(); });
    m_error = QStringLiteral("%1 takes %2 argument(s), %3 given")
                  .arg(name, counts.join(QStringLiteral(" or ")))
                  .arg(args.size());
    return WrongArgumentCount;
}

bool CtlCall::invoke(QObject *target) const
{
    if (!m_method.isValid())
        return false;
    // QMetaMethod::invoke takes at most ten arguments; none of the operations
    // needs more.
    QGenericArgument args[10];
    const QList<QByteArray> types = m_method.parameterTypes();
    if (m_values.size() > 10)
        return false;
    for (int i = 0; i < m_values.size(); ++i)
        args[i] = QGenericArgument(types.at(i).constData(), m_values.at(i).constData());
    return m_method.invoke(target, Qt::DirectConnection, args[0], args[1], args[2], args[3],
                           args[4], args[5], args[6], args[7], args[8], args[9]);
}
