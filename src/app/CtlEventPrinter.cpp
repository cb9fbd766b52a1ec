#include "app/CtlEventPrinter.h"

#include <QMetaMethod>
#include <QMetaProperty>

namespace
{

bool takesLeadingText(const QMetaMethod &method)
{
    return method.parameterCount() >= 1 && method.parameterType(0) == QMetaType::QString;
}

} // namespace

CtlEventPrinter::CtlEventPrinter(Printer printer, QObject *parent)
    : QObject(parent), m_printer(std::move(printer))
{
}

void CtlEventPrinter::watch(const QString &name, QObject *object)
{
    if (!object || m_sources.contains(object))
        return;
    Source source{name, QByteArray(), QString()};
    const QMetaObject *meta = object->metaObject();
    const QMetaObject *mine = metaObject();
    const auto slot = [mine](const char *signature) {
        return mine->method(mine->indexOfSlot(signature));
    };

    for (int i = QObject::staticMetaObject.methodCount(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() != QMetaMethod::Signal)
            continue;
        const QByteArray signalName = method.name();
        if (signalName == "errorOccurred" && takesLeadingText(method)) {
            connect(object, method, this, slot("onText(QString)"));
        } else if (signalName == "finished") {
            const bool okAndText = method.parameterCount() == 2 &&
                                   method.parameterType(0) == QMetaType::Bool &&
                                   method.parameterType(1) == QMetaType::QString;
            connect(object, method, this,
                    okAndText ? slot("onFinishedWithText(bool,QString)") : slot("onFinished()"));
        } else if (signalName == "commandUnanswered" && method.parameterCount() >= 2 &&
                   method.parameterType(1) == QMetaType::QString) {
            connect(object, method, this, slot("onUnanswered(uint32_t,QString)"));
        }
    }

    for (const char *candidate : {"status", "statusMessage", "statusText"}) {
        const int index = meta->indexOfProperty(candidate);
        if (index < 0)
            continue;
        const QMetaProperty property = meta->property(index);
        if (property.userType() != QMetaType::QString || !property.hasNotifySignal())
            continue;
        source.statusProperty = candidate;
        source.lastStatus = property.read(object).toString();
        connect(object, property.notifySignal(), this, slot("onStatusChanged()"));
        break;
    }
    m_sources.insert(object, source);
    connect(object, &QObject::destroyed, this, [this](QObject *gone) { m_sources.remove(gone); });
}

void CtlEventPrinter::print(const QString &text)
{
    const auto it = m_sources.constFind(sender());
    if (it != m_sources.constEnd() && m_printer)
        m_printer(QStringLiteral("event: %1: %2").arg(it->name, text));
}

void CtlEventPrinter::onText(const QString &text)
{
    print(text);
}

void CtlEventPrinter::onFinished()
{
    print(QStringLiteral("finished"));
}

void CtlEventPrinter::onFinishedWithText(bool ok, const QString &message)
{
    print(QStringLiteral("finished (%1) %2")
              .arg(ok ? QStringLiteral("ok") : QStringLiteral("failed"), message));
}

void CtlEventPrinter::onUnanswered(uint32_t, const QString &label)
{
    print(QStringLiteral("no answer: %1").arg(label));
}

void CtlEventPrinter::onStatusChanged()
{
    const auto it = m_sources.find(sender());
    if (it == m_sources.end() || it->statusProperty.isEmpty())
        return;
    const QString status = sender()->property(it->statusProperty.constData()).toString();
    // Some objects signal a status change without a new text; say it once.
    if (status == it->lastStatus)
        return;
    it->lastStatus = status;
    print(status);
}
