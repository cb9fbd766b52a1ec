#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <cstdint>

#include <functional>

// Watches published objects for what a script wants to hear about without
// asking: every errorOccurred(text), every finished(...), every command the
// camera left unanswered (commandUnanswered(code, label, ...)) and every
// change of a status text (a QString property named status, statusMessage or
// statusText with a change signal). Each becomes one line
// "event: OBJECT: TEXT" handed to the printer.
class CtlEventPrinter : public QObject
{
    Q_OBJECT
public:
    using Printer = std::function<void(const QString &line)>;

    explicit CtlEventPrinter(Printer printer, QObject *parent = nullptr);

    // Connects every matching signal of `object`, reported under `name`.
    void watch(const QString &name, QObject *object);

private slots:
    void onText(const QString &text);
    void onFinished();
    void onFinishedWithText(bool ok, const QString &message);
    void onUnanswered(uint32_t msgID, const QString &label);
    void onStatusChanged();

private:
    struct Source {
        QString name;
        QByteArray statusProperty;
        QString lastStatus;
    };
    void print(const QString &text);

    Printer m_printer;
    QHash<QObject *, Source> m_sources;
};
