// Inbound dispatch: the reply results, the raw and rejection lines, frames of
// unknown kinds, and the AI-recognition confirmation. Which frames feed which
// state slot is in the state's report table.

#include "common/TestMain.h"

#include "link/FrameCodec.h"
#include "state/GimbalState.h"
#include "state/InboundDispatcher.h"
#include "state/InboundFrames.h"

#include <QSignalSpy>
#include <QtTest>

namespace
{

using inbound::frameOf;
using inbound::hex;
using inbound::texts;

struct Rig {
    GimbalState state;
    InboundDispatcher dispatcher{&state};
    QSignalSpy acks{&dispatcher, &InboundDispatcher::ackReceived};
    QSignalSpy log{&dispatcher, &InboundDispatcher::logMessage};
    QSignalSpy confirmed{&dispatcher, &InboundDispatcher::aiRecognitionConfirmed};

    void feed(int kind, int code, const QByteArray &payload)
    {
        dispatcher.dispatch(frameOf(kind, code, payload));
    }
};

} // namespace

class StateDispatchTest : public QObject
{
    Q_OBJECT
private slots:
    void ackResult_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<uint>("result");
        QTest::newRow("empty") << 0x0ABC << QByteArray() << 0u;
        QTest::newRow("too short for a result") << 0x0308 << hex("07") << 0u;
        QTest::newRow("result little-endian") << 0x0308 << hex("0501ff") << 0x0105u;
        QTest::newRow("photo failed") << 0x0302 << hex("09000000") << 9u;
        QTest::newRow("osd complete") << 0x0335 << hex("000001", 31) << 0u;
        QTest::newRow("osd short") << 0x0335 << QByteArray(30, '\x01') << 1u;
        QTest::newRow("ai categories empty") << 0x0336 << QByteArray() << 1u;
        QTest::newRow("ai categories short") << 0x0336 << hex("0105") << 0u;
    }

    void ackResult()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, payload);
        QFETCH(uint, result);
        Rig rig;
        rig.feed(1, code, payload);
        QCOMPARE(rig.acks.count(), 1);
        QCOMPARE(rig.acks.at(0).at(0).toUInt(), uint(code));
        QCOMPARE(rig.acks.at(0).at(1).toUInt(), result);
        QCOMPARE(texts(rig.log).value(0), QStringLiteral("[ACK Raw] MsgID=0x%1  Len=%2  Data=%3")
                                              .arg(code, 8, 16, QLatin1Char('0'))
                                              .arg(payload.size())
                                              .arg(QString::fromLatin1(payload.toHex(' '))));
    }

    void logLines()
    {
        Rig rig;
        rig.feed(2, 0x0302, hex("00ab"));
        rig.feed(0, 0x0303, QByteArray());
        rig.feed(0, 0x0002, QByteArray(18, '\0'));
        rig.feed(1, 0x0200, hex("0000"));
        rig.feed(1, 0x0100, hex("000001"));
        rig.feed(1, 0x0100, hex("020001")); // failed: no read-back at all
        const QStringList lines = texts(rig.log);
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines.at(0), QStringLiteral("[Status Raw] type=0x02 MsgID=0x00000302 Len=2 "
                                             "Data=00 ab"));
        QCOMPARE(lines.at(1),
                 QStringLiteral("[Status Raw] type=0x00 MsgID=0x00000303 Len=0 Data="));
        QCOMPARE(lines.at(3), QStringLiteral("[VIS] all-params ACK rejected (len=2)"));
        QCOMPARE(lines.at(5),
                 QStringLiteral("[IR] all-params ACK rejected (len=3, need >=10, result=00 00)"));
    }

    void unknownKindsAreIgnoredSilently()
    {
        Rig rig;
        QSignalSpy attitude(&rig.state, &GimbalState::attitudeChanged);
        for (int kind : {3, 0x7F, 0xFF}) {
            rig.feed(kind, 0x0002, QByteArray(18, '\x10'));
            rig.feed(kind, 0x0302, hex("0001"));
            rig.feed(kind, 0x0018, hex("0000"));
            rig.feed(kind, 0x0319, hex("0000"));
        }
        QCOMPARE(rig.log.count() + rig.acks.count() + attitude.count() + rig.confirmed.count(), 0);
    }

    // The two AI codes: an answer (reported as a reply) or a target report,
    // and which of them confirm a recognition setting, and how.
    void recognitionFrames_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("confirmation"); // -1: none
        QTest::addColumn<int>("ack");          // the reported result, -1: none
        QTest::addColumn<int>("targets");      // -1: untouched, else aiTrackingActive
        using C = InboundDispatcher::AiConfirmation;
        const int answer = int(C::Answer), report = int(C::TargetReport);
        const int status = int(C::StatusFrame);
        // One target announced, detection status 2.
        const QByteArray targets = hex("000000000000000000000102");
        QTest::newRow("reply") << 1 << 0x0319 << hex("0000") << answer << 0 << -1;
        QTest::newRow("failed reply") << 1 << 0x0319 << hex("0300") << answer << 3 << -1;
        QTest::newRow("answer") << 0 << 0x0319 << hex("0100") << answer << 1 << -1;
        QTest::newRow("target report") << 0 << 0x0319 << targets << report << -1 << 0;
        QTest::newRow("tracking answer") << 0 << 0x0324 << hex("0000") << -1 << 0 << -1;
        QTest::newRow("tracking report") << 0 << 0x0324 << targets << -1 << -1 << 1;
        // The second status kind is always a report, even with two bytes.
        QTest::newRow("second kind") << 2 << 0x0319 << hex("0004") << status << -1 << 0;
        QTest::newRow("second kind tracking") << 2 << 0x0324 << hex("0004") << -1 << -1 << 1;
        QTest::newRow("tracking reply") << 1 << 0x0324 << hex("0000") << -1 << 0 << -1;
    }

    void recognitionFrames()
    {
        QFETCH(int, kind);
        QFETCH(int, code);
        QFETCH(QByteArray, payload);
        QFETCH(int, confirmation);
        QFETCH(int, ack);
        QFETCH(int, targets);
        Rig rig;
        QSignalSpy changed(&rig.state, &GimbalState::aiTargetsChanged);
        rig.feed(kind, code, payload);
        QCOMPARE(rig.confirmed.count(), confirmation < 0 ? 0 : 1);
        if (confirmation >= 0)
            QCOMPARE(int(rig.confirmed.at(0).at(0).value<InboundDispatcher::AiConfirmation>()),
                     confirmation);
        QCOMPARE(rig.acks.count(), ack < 0 ? 0 : 1);
        if (ack >= 0)
            QCOMPARE(QList<uint>({rig.acks.at(0).at(0).toUInt(), rig.acks.at(0).at(1).toUInt()}),
                     QList<uint>({uint(code), uint(ack)}));
        QCOMPARE(changed.count(), targets < 0 ? 0 : 1);
        if (targets >= 0) {
            QCOMPARE(rig.state.aiTrackingActive(), targets == 1);
            QCOMPARE(rig.state.aiTargets().size(), kind == 2 ? 0 : 1);
        }
    }
};
SKYRIG_REGISTER_TEST(StateDispatchTest)

#include "tst_state_dispatch.moc"
