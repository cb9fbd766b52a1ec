#include "app/CtlEventPrinter.h"
#include "common/TestMain.h"

#include <QTest>

namespace
{

// Stands in for a published object: the kinds of event a script hears.
class Reporter : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusMessageChanged)
public:
    QString statusMessage() const { return m_status; }
    void setStatus(const QString &text)
    {
        m_status = text;
        emit statusMessageChanged();
    }
    QString m_status;
signals:
    void statusMessageChanged();
    void errorOccurred(const QString &error);
    void finished(bool ok, const QString &message);
    void commandUnanswered(uint32_t msgID, const QString &label, int sequence);
    void progressChanged(int percent);
};

} // namespace

class CtlEventsTest : public QObject
{
    Q_OBJECT
private slots:
    void everyEventIsOneLine()
    {
        QStringList lines;
        CtlEventPrinter printer([&lines](const QString &line) { lines.append(line); });
        Reporter reporter;
        printer.watch(QStringLiteral("firmwareUpgrade"), &reporter);

        reporter.setStatus(QStringLiteral("Uploading"));
        reporter.setStatus(QStringLiteral("Uploading")); // same text: said once
        emit reporter.progressChanged(40);               // not an event
        emit reporter.errorOccurred(QStringLiteral("HTTP 500"));
        emit reporter.finished(false, QStringLiteral("Upload failed"));
        emit reporter.finished(true, QString());
        emit reporter.commandUnanswered(0x0317, QStringLiteral("Get camera version"), 9);

        QCOMPARE(lines, QStringList({"event: firmwareUpgrade: Uploading",
                                     "event: firmwareUpgrade: HTTP 500",
                                     "event: firmwareUpgrade: finished (failed) Upload failed",
                                     "event: firmwareUpgrade: finished (ok) ",
                                     "event: firmwareUpgrade: no answer: Get camera version"}));
    }
};
SKYRIG_REGISTER_TEST(CtlEventsTest)

#include "tst_ctl_events.moc"
