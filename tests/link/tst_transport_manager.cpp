#include "common/TestMain.h"
#include "common/TestTransport.h"
#include "link/TransportManager.h"

#include <QSignalSpy>
#include <QtTest>

namespace
{

QByteArray frame(quint32 id, const QByteArray &payload = {})
{
    quint8 sequence = 0;
    return FrameCodec::encodeShortFrame(sequence, 0x04, 0x01, id, payload);
}

// Every recorded emission as its arguments' texts joined by blanks (frames
// as their message ids in hex); clears the spy.
QStringList emitted(QSignalSpy &spy)
{
    QStringList v;
    for (const QList<QVariant> &args : spy) {
        QStringList texts;
        for (const QVariant &arg : args)
            texts << (arg.canConvert<ParsedFrame>()
                          ? QString::number(arg.value<ParsedFrame>().messageId, 16)
                          : arg.toString());
        v << texts.join(QLatin1Char(' ')).trimmed();
    }
    spy.clear();
    return v;
}

// A manager with an open recording link attached.
struct Rig {
    TransportManager manager;
    TestTransport link;
    QSignalSpy frames{&manager, &TransportManager::frameReceived};
    Rig() { manager.setTransport(link.opened()); }
};

} // namespace

class LinkTransportManagerTest : public QObject
{
    Q_OBJECT
private slots:
    void reassemblesFramesFromChunks()
    {
        Rig rig;
        const QByteArray a = frame(0x0101, QByteArray("\xFD\xFD\x00\xFD", 4));
        const QByteArray b = frame(0x010202, QByteArray(200, '\xFD'));
        const QByteArray c = frame(0x0303);
        QSignalSpy raw(&rig.manager, &TransportManager::rawDataReceived);
        QStringList order;
        connect(&rig.manager, &TransportManager::rawDataReceived, this, [&] { order << "raw"; });
        connect(&rig.manager, &TransportManager::frameReceived, this, [&] { order << "frame"; });

        // One and a half frames, then the rest; raw chunks come before frames.
        const QByteArray all = a + b + c;
        const int cut = a.size() + b.size() / 2;
        rig.link.deliver(all.left(cut));
        rig.link.deliver(all.mid(cut));
        rig.link.deliver(QByteArray());
        QCOMPARE(emitted(rig.frames), QStringList({"101", "10202", "303"}));
        QCOMPARE(order, QStringList({"raw", "frame", "raw", "frame", "frame"}));
        QCOMPARE(raw.at(0).mid(0, 2), QVariantList({"UART", "Test link"}));
        QCOMPARE(raw.at(0).at(2).toByteArray(), all.left(cut));

        // Byte by byte still yields exactly one frame, at its last byte.
        for (int i = 0; i < a.size(); ++i) {
            rig.link.deliver(a.mid(i, 1));
            QCOMPARE(rig.frames.count(), i == a.size() - 1 ? 1 : 0);
        }
        QCOMPARE(rig.frames.at(0).at(0).value<ParsedFrame>().payload, a.mid(10, 4));
        rig.frames.clear();

        // Garbage and a frame with a bad checksum cost only themselves; a
        // dangling start byte waits, and a frame behind it is still found.
        QByteArray broken = frame(0x0404, "bad");
        broken[broken.size() - 2] = char(broken.at(broken.size() - 2) ^ 1);
        rig.link.deliver("\x13garbage" + a + broken + c + QByteArray("\xFD\x01", 2));
        rig.link.deliver(QByteArray(12, '\x00') + b);
        QCOMPARE(emitted(rig.frames), QStringList({"101", "303", "10202"}));

        // A damaged length byte claims a payload that runs into the next
        // frame: the checksum fails and the search resumes one byte on, so the
        // frame it overlaps still comes out.
        QByteArray overlong = frame(0x0606, "abc");
        overlong[1] = char(20);
        const QByteArray good = frame(0x0707, QByteArray(20, 'p'));
        QVERIFY(overlong.size() + good.size() >= 20 + 12);
        rig.link.deliver(overlong + good);
        QCOMPARE(emitted(rig.frames), QStringList({"707"}));
    }

    void receiversMayDetachOrFeedMidChunk()
    {
        const QByteArray a = frame(0x0A), b = frame(0x0B), c = frame(0x0C);
        Rig rig;
        TransportManager &manager = rig.manager;

        // Detaching inside the first frame's handler drops the rest of the chunk.
        QMetaObject::Connection detach = connect(&manager, &TransportManager::frameReceived, this,
                                                 [&] { manager.setTransport(nullptr); });
        rig.link.deliver(a + b + c);
        QCOMPARE(emitted(rig.frames), QStringList({"a"}));
        disconnect(detach);

        // Bytes fed from inside a handler are parsed once, in order.
        manager.setTransport(&rig.link);
        bool fed = false;
        connect(&manager, &TransportManager::frameReceived, this, [&] {
            if (fed)
                return;
            fed = true;
            manager.onDataReceived(frame(0x0D) + b.left(5));
        });
        rig.link.deliver(a + b + c);
        rig.link.deliver(b.mid(5));
        QCOMPARE(emitted(rig.frames), QStringList({"a", "b", "c", "d", "b"}));
    }

    void oversizedBufferIsCleared()
    {
        Rig rig;
        const QByteArray f = frame(0x0505, "x");
        // Up to 4096 bytes are kept: the head of a frame at their end completes.
        rig.link.deliver(QByteArray(4090, 'g') + f.left(6));
        rig.link.deliver(f.mid(6));
        QCOMPARE(rig.frames.count(), 1);
        // Past 4096 the whole buffer goes, including a frame's head.
        for (int i = 0; i < 4; ++i)
            rig.link.deliver(QByteArray(1000, 'g'));
        rig.link.deliver(QByteArray(1000, 'g') + f.left(6));
        rig.link.deliver(f.mid(6));
        QCOMPARE(rig.frames.count(), 1);
        rig.link.deliver(f);
        QCOMPARE(rig.frames.count(), 2);
    }

    void sendingAndDropReasons()
    {
        TransportManager manager;
        QSignalSpy dropped(&manager, &TransportManager::commandDropped);
        QSignalSpy sent(&manager, &TransportManager::commandSent);
        manager.sendCommand(1, "a"); // nothing attached
        TestTransport link;
        manager.setTransport(&link);
        manager.sendCommand(2, "b"); // attached but closed
        link.open();
        manager.sendCommand(3, QByteArray(70000, 'c'));
        link.failWrites = true;
        link.errorText = QStringLiteral("cable unplugged");
        manager.sendCommand(4, "d", QStringLiteral("Dee")); // the sender's label goes along
        link.errorText.clear();
        manager.sendCommand(5, "e");
        QCOMPARE(emitted(dropped),
                 QStringList({"1 link_closed", "2 link_closed", "3 payload_too_large",
                              "4 cable unplugged Dee", "5 send_failed"}));
        QCOMPARE(sent.count(), 0);

        // Failed writes built frames and used numbers 0 and 1; unbuilt ones none.
        link.failWrites = false;
        manager.sendCommand(0x0201, QByteArray(255, 's'));
        manager.sendCommand(0x0202, QByteArray(256, 'l'));
        manager.sendCommand(0x11, 0x22, 0x0203, "f");
        QCOMPARE(link.writes.size(), 3);
        QCOMPARE(link.writes.at(0).left(5), QByteArray::fromHex("FDFF040102"));
        QCOMPARE(link.writes.at(1).left(6), QByteArray::fromHex("FD0001040103"));
        QCOMPARE(link.writes.at(2).mid(2, 3), QByteArray::fromHex("112204"));
        QCOMPARE(sent.at(1).mid(0, 2), QVariantList({0x0202u, "Test link"}));
        QCOMPARE(sent.at(1).at(2).toByteArray(), link.writes.at(1));

        // The counter survives a change of transport and wraps after 255.
        TestTransport other;
        manager.setTransport(other.opened());
        for (int i = 0; i < 252; ++i)
            manager.sendCommand(1, {});
        QCOMPARE(quint8(other.writes.first().at(4)), quint8(5));
        QCOMPARE(quint8(other.writes.last().at(4)), quint8(0));
    }

    void linkStateFollowsTheTransport()
    {
        TransportManager manager;
        QSignalSpy state(&manager, &TransportManager::connectionChanged);
        QSignalSpy frames(&manager, &TransportManager::frameReceived);
        manager.setTransport(nullptr); // nothing attached, nothing changes
        TestTransport first;
        manager.setTransport(first.opened());
        manager.setTransport(&first);
        first.close(); // relayed as it is
        first.open();
        QCOMPARE(emitted(state), QStringList({"true", "false", "true"}));

        // A half frame from the old link must not join the new link's bytes,
        // and the old link is no longer heard.
        const QByteArray f = frame(7, "tail");
        first.deliver(f.left(8));
        TestTransport second; // closed
        manager.setTransport(&second);
        second.deliver(f.mid(8));
        first.deliver(f);
        first.close();
        manager.setTransport(nullptr);
        QCOMPARE(frames.count(), 0);
        QCOMPARE(emitted(state), QStringList({"false", "false", "false"}));

        // A transport that goes away leaves the manager safe to use.
        {
            TestTransport shortLived;
            manager.setTransport(shortLived.opened());
        }
        QSignalSpy dropped(&manager, &TransportManager::commandDropped);
        manager.sendCommand(1, {});
        QCOMPARE(emitted(dropped), QStringList({"1 link_closed"}));
        QCOMPARE(manager.channelName() + manager.mediumName(), QStringLiteral("--"));
    }
};

SKYRIG_REGISTER_TEST(LinkTransportManagerTest)

#include "tst_transport_manager.moc"
