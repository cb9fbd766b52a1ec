#pragma once

#include <QMetaMethod>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

class QObject;

// One operation of an object, picked by name and by the number of arguments
// given (so the shorter forms of an operation with optional arguments are
// found), with every argument text already turned into its parameter's type.
// Checking everything before the link opens means a typo never leaves a
// half-done sequence of commands behind.
class CtlCall
{
public:
    enum Status { Resolved, UnknownOperation, WrongArgumentCount, BadArgument };

    // Looks up `name` among the invokable operations of `target`'s class.
    Status resolve(const QObject *target, const QString &name, const QStringList &args);
    QString errorText() const { return m_error; }

    // Calls the resolved operation on `target` directly; false if it could not.
    bool invoke(QObject *target) const;

    // Turns one argument text into a value of the named parameter type
    // ("int", "uint", "ushort", "uint32_t", "float", "double", "bool",
    // "QString", "QVector<int>", "QVariantList"). False with `error` set when
    // the text does not fit.
    static bool convert(const QByteArray &typeName, const QString &text, QVariant &value,
                        QString &error);

private:
    QMetaMethod m_method;
    QVector<QVariant> m_values;
    QString m_error;
};
