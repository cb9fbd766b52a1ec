#include "RecordingTransport.h"
#include "common/TestMain.h"
#include "link/TransportManager.h"
#include "link/UdpTransport.h"

#include <QSignalSpy>
#include <QUdpSocket>
#include <QtTest>

namespace
{

QByteArray frame(quint32 id, const QByteArray &payload, quint8 sequence = 0)
{
    return FrameCodec::encodeShortFrame(sequence, 0x04, 0x01, id, payload);
}

quint32 droppedId(const QSignalSpy &spy, int i)
{
    return spy.at(i).at(0).value<uint32_t>();
}

QString droppedReason(const QSignalSpy &spy, int i)
{
    return spy.at(i).at(1).toString();
}

ParsedFrame frameAt(const QSignalSpy &spy, int i)
{
    return spy.at(i).at(0).value<ParsedFrame>();
}

} // namespace

class LinkTransportManagerTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { setChinese(true); }

    void reassemblesFramesFromChunks()
    {
        TransportManager manager;
        RecordingTransport link;
        link.open();
        manager.setTransport(&link);
        QSignalSpy frames(&manager, &TransportManager::frameReceived);

        const QByteArray a = frame(0x0101, "first");
        const QByteArray b = frame(0x010202, QByteArray(200, 'b'), 9);
        const QByteArray c = frame(0x0303, {}, 10);

        // One and a half frames, then the rest.
        const QByteArray all = a + b + c;
        const int cut = a.size() + b.size() / 2;
        link.deliver(all.left(cut));
        QCOMPARE(frames.count(), 1);
        QCOMPARE(frameAt(frames, 0).payload, QByteArray("first"));
        link.deliver(all.mid(cut));
        QCOMPARE(frames.count(), 3);
        QCOMPARE(frameAt(frames, 1).messageId, quint32(0x010202));
        QCOMPARE(frameAt(frames, 1).sequence, quint8(9));
        QCOMPARE(frameAt(frames, 2).messageId, quint32(0x0303));

        // Byte by byte still yields exactly one frame, at its last byte.
        frames.clear();
        for (int i = 0; i < a.size(); ++i) {
            link.deliver(a.mid(i, 1));
            QCOMPARE(frames.count(), i == a.size() - 1 ? 1 : 0);
        }

        // Garbage before frames and a frame with a bad checksum cost only
        // themselves; the frames around them survive.
        frames.clear();
        QByteArray broken = frame(0x0404, "bad");
        broken[broken.size() - 2] = char(broken.at(broken.size() - 2) ^ 1);
        link.deliver(QByteArray("\x00\x13garbage", 9) + a + broken + c + QByteArray("\xFD\x01", 2));
        QCOMPARE(frames.count(), 2);
        QCOMPARE(frameAt(frames, 0).messageId, quint32(0x0101));
        QCOMPARE(frameAt(frames, 1).messageId, quint32(0x0303));
        // The dangling start byte waits; a frame behind it is still found.
        link.deliver(QByteArray(12, '\x00') + b);
        QCOMPARE(frames.count(), 3);
        QCOMPARE(frameAt(frames, 2).messageId, quint32(0x010202));
    }

    void receiversMayDetachOrFeedMidChunk()
    {
        const QByteArray a = frame(0x0A, "a");
        const QByteArray b = frame(0x0B, "b");
        const QByteArray c = frame(0x0C, "c");
        const QByteArray x = frame(0x0D, "x");

        // Detaching inside the first frame's handler drops the rest of the chunk.
        TransportManager manager;
        RecordingTransport link;
        link.open();
        manager.setTransport(&link);
        QList<quint32> seen;
        QMetaObject::Connection detach =
            connect(&manager, &TransportManager::frameReceived, this, [&](const ParsedFrame &f) {
                seen << f.messageId;
                manager.setTransport(nullptr);
            });
        link.deliver(a + b + c);
        QCOMPARE(seen, QList<quint32>({0x0A}));
        disconnect(detach);

        // Bytes fed from inside a handler are parsed once, in order, and
        // no frame is delivered twice.
        manager.setTransport(&link);
        seen.clear();
        bool fed = false;
        connect(&manager, &TransportManager::frameReceived, this, [&](const ParsedFrame &f) {
            seen << f.messageId;
            if (!fed) {
                fed = true;
                manager.onDataReceived(x + b.left(5));
            }
        });
        link.deliver(a + b + c);
        QCOMPARE(seen, QList<quint32>({0x0A, 0x0B, 0x0C, 0x0D}));
        link.deliver(b.mid(5));
        QCOMPARE(seen, QList<quint32>({0x0A, 0x0B, 0x0C, 0x0D, 0x0B}));
    }

    void oversizedBufferIsCleared()
    {
        TransportManager manager;
        RecordingTransport link;
        link.open();
        manager.setTransport(&link);
        QSignalSpy frames(&manager, &TransportManager::frameReceived);
        const QByteArray f = frame(0x0505, "x");

        // Up to 4096 bytes without a start byte are kept: the head of a frame
        // at their end still completes.
        link.deliver(QByteArray(4090, 'g') + f.left(6));
        link.deliver(f.mid(6));
        QCOMPARE(frames.count(), 1);

        // Past 4096 the whole buffer goes, including a frame's head.
        link.deliver(QByteArray(1000, 'g'));
        link.deliver(QByteArray(1000, 'g'));
        link.deliver(QByteArray(1000, 'g'));
        link.deliver(QByteArray(1000, 'g'));
        link.deliver(QByteArray(1000, 'g') + f.left(6));
        link.deliver(f.mid(6));
        QCOMPARE(frames.count(), 1);
        // ...and afterwards frames decode again.
        link.deliver(f);
        QCOMPARE(frames.count(), 2);
    }

    void rawChunksAreReportedBeforeParsing()
    {
        TransportManager manager;
        QCOMPARE(manager.mediumName(), QStringLiteral("-"));
        QCOMPARE(manager.channelName(), QStringLiteral("-"));
        RecordingTransport link;
        link.name = QStringLiteral("串口 COM3");
        link.open();
        manager.setTransport(&link);
        QCOMPARE(manager.mediumName(), QStringLiteral("UART"));
        QSignalSpy raw(&manager, &TransportManager::rawDataReceived);
        QStringList order;
        connect(&manager, &TransportManager::rawDataReceived, this,
                [&] { order << QStringLiteral("raw"); });
        connect(&manager, &TransportManager::frameReceived, this,
                [&] { order << QStringLiteral("frame"); });

        link.deliver(frame(1, "p"));
        link.deliver(QByteArray("noise"));
        link.deliver(QByteArray());
        QCOMPARE(raw.count(), 2);
        QCOMPARE(raw.at(0).at(0).toString(), QStringLiteral("UART"));
        QCOMPARE(raw.at(0).at(1).toString(), QStringLiteral("串口 COM3"));
        QCOMPARE(raw.at(0).at(2).toByteArray(), frame(1, "p"));
        QCOMPARE(raw.at(1).at(2).toByteArray(), QByteArray("noise"));
        QCOMPARE(order, QStringList({"raw", "frame", "raw"}));
    }

    void everyDropReason()
    {
        TransportManager manager;
        QSignalSpy dropped(&manager, &TransportManager::commandDropped);
        QSignalSpy sent(&manager, &TransportManager::commandSent);

        manager.sendCommand(0x0101, "a"); // nothing attached
        RecordingTransport link;
        manager.setTransport(&link);
        manager.sendCommand(0x0102, "b"); // attached but closed
        link.open();
        manager.sendCommand(0x0103, QByteArray(70000, 'c'));
        QCOMPARE(link.writes.size(), 0);

        // None of these used a sequence number.
        manager.sendCommand(0x0018, {});
        QCOMPARE(link.writes.size(), 1);
        QCOMPARE(link.writes.at(0), QByteArray::fromHex("FD000401000101180000BB93"));

        link.failWrites = true;
        link.errorText = QStringLiteral("cable unplugged");
        manager.sendCommand(0x0104, "d");
        link.errorText.clear();
        manager.sendCommand(0x0105, "e");

        QCOMPARE(dropped.count(), 5);
        QCOMPARE(droppedId(dropped, 0), quint32(0x0101));
        QCOMPARE(droppedReason(dropped, 0), QStringLiteral("link_closed"));
        QCOMPARE(droppedReason(dropped, 1), QStringLiteral("link_closed"));
        QCOMPARE(droppedReason(dropped, 2), QStringLiteral("payload_too_large"));
        QCOMPARE(droppedId(dropped, 3), quint32(0x0104));
        QCOMPARE(droppedReason(dropped, 3), QStringLiteral("cable unplugged"));
        QCOMPARE(droppedReason(dropped, 4), QStringLiteral("send_failed"));
        QCOMPARE(sent.count(), 1);

        // Failed writes did build frames, so they used numbers 1 and 2.
        link.failWrites = false;
        manager.sendCommand(0x0106, {});
        QCOMPARE(quint8(link.writes.last().at(4)), quint8(3));
    }

    void sendsShortAndLongFrames()
    {
        TransportManager manager;
        RecordingTransport link;
        link.open();
        manager.setTransport(&link);
        QSignalSpy sent(&manager, &TransportManager::commandSent);

        manager.sendCommand(0x0201, QByteArray(255, 's'));
        manager.sendCommand(0x0202, QByteArray(300, 'l'));
        manager.sendCommand(0x11, 0x22, 0x0203, "f");
        QCOMPARE(link.writes.size(), 3);
        QCOMPARE(link.writes.at(0).size(), 267);
        const QByteArray longFrame = link.writes.at(1);
        QCOMPARE(longFrame.size(), 313);
        QCOMPARE(quint8(longFrame.at(1)), quint8(0x2C));
        QCOMPARE(quint8(longFrame.at(2)), quint8(0x01));
        QCOMPARE(quint8(longFrame.at(5)), quint8(1)); // sequence
        int consumed = 0;
        const ParsedLongFrame decoded = FrameCodec::decodeLongFrame(longFrame, consumed);
        QVERIFY(decoded.valid);
        QCOMPARE(decoded.messageId, quint32(0x0202));
        QCOMPARE(decoded.flags1, quint8(0x04));
        QCOMPARE(decoded.flags2, quint8(0x01));
        QCOMPARE(quint8(link.writes.at(2).at(2)), quint8(0x11));
        QCOMPARE(quint8(link.writes.at(2).at(3)), quint8(0x22));

        QCOMPARE(sent.count(), 3);
        QCOMPARE(sent.at(1).at(0).value<uint32_t>(), quint32(0x0202));
        QCOMPARE(sent.at(1).at(1).toString(), QStringLiteral("Test link"));
        QCOMPARE(sent.at(1).at(2).toByteArray(), longFrame);

        // The counter survives a change of transport and wraps after 255.
        RecordingTransport other;
        other.open();
        manager.setTransport(&other);
        for (int i = 0; i < 254; ++i)
            manager.sendCommand(1, {});
        QCOMPARE(quint8(other.writes.first().at(4)), quint8(3));
        QCOMPARE(quint8(other.writes.last().at(4)), quint8(0));
    }

    void linkStateFollowsTheTransport()
    {
        TransportManager manager;
        QSignalSpy state(&manager, &TransportManager::connectionChanged);
        QSignalSpy frames(&manager, &TransportManager::frameReceived);
        auto values = [&] {
            QList<bool> v;
            for (const QList<QVariant> &args : state)
                v << args.at(0).toBool();
            state.clear();
            return v;
        };

        manager.setTransport(nullptr); // nothing attached, nothing changes
        QCOMPARE(values(), QList<bool>());

        RecordingTransport first;
        first.open();
        manager.setTransport(&first);
        QCOMPARE(values(), QList<bool>({true}));
        manager.setTransport(&first);
        QCOMPARE(values(), QList<bool>());

        first.close(); // relayed as it is
        first.open();
        QCOMPARE(values(), QList<bool>({false, true}));

        // A half frame from the old link must not join the new link's bytes.
        const QByteArray f = frame(7, "tail");
        first.deliver(f.left(8));
        RecordingTransport second; // closed
        manager.setTransport(&second);
        QCOMPARE(values(), QList<bool>({false, false}));
        QCOMPARE(manager.transport(), &second);
        second.deliver(f.mid(8));
        QCOMPARE(frames.count(), 0);

        // The old link is no longer heard.
        first.deliver(f);
        first.close();
        QCOMPARE(frames.count(), 0);
        QCOMPARE(values(), QList<bool>());

        manager.setTransport(nullptr);
        QCOMPARE(values(), QList<bool>({false}));
        QCOMPARE(manager.transport(), nullptr);
        QVERIFY(!manager.isOpen());

        // A transport that goes away leaves the manager safe to use.
        {
            RecordingTransport shortLived;
            shortLived.open();
            manager.setTransport(&shortLived);
        }
        QSignalSpy dropped(&manager, &TransportManager::commandDropped);
        manager.sendCommand(1, {});
        QCOMPARE(droppedReason(dropped, 0), QStringLiteral("link_closed"));
        QCOMPARE(manager.channelName(), QStringLiteral("-"));
    }

    void overRealUdp()
    {
        QUdpSocket camera;
        QVERIFY(camera.bind(QHostAddress(QHostAddress::LocalHost), quint16(0)));
        UdpTransport link;
        link.setTarget(QHostAddress::LocalHost, camera.localPort());
        QVERIFY(link.open()); // no local port: the first send binds one
        TransportManager manager;
        manager.setTransport(&link);
        QCOMPARE(manager.mediumName(), QStringLiteral("UDP"));
        QCOMPARE(manager.channelName(), QStringLiteral("UDP 127.0.0.1:%1").arg(camera.localPort()));
        QSignalSpy sent(&manager, &TransportManager::commandSent);
        QSignalSpy dropped(&manager, &TransportManager::commandDropped);

        manager.sendCommand(0x030E, QByteArray(8, '\x01'));
        QCOMPARE(sent.count(), 1);
        QVERIFY(camera.waitForReadyRead(3000));
        QByteArray datagram(int(camera.pendingDatagramSize()), Qt::Uninitialized);
        QHostAddress from;
        quint16 fromPort = 0;
        camera.readDatagram(datagram.data(), datagram.size(), &from, &fromPort);
        QCOMPARE(datagram, sent.at(0).at(2).toByteArray());

        // Two frames in one datagram, a frame split over two datagrams.
        QSignalSpy frames(&manager, &TransportManager::frameReceived);
        QSignalSpy raw(&manager, &TransportManager::rawDataReceived);
        const QByteArray ack = frame(0x01030E, QByteArray(2, '\0'));
        const QByteArray status = frame(0x0001, QByteArray(40, 's'));
        camera.writeDatagram(ack + status.left(10), from, fromPort);
        QTRY_COMPARE(frames.count(), 1);
        camera.writeDatagram(status.mid(10), from, fromPort);
        QTRY_COMPARE(frames.count(), 2);
        QCOMPARE(FrameCodec::frameKind(frameAt(frames, 0).messageId), quint8(1));
        QCOMPARE(frameAt(frames, 1).payload, QByteArray(40, 's'));
        QCOMPARE(raw.count(), 2);
        QCOMPARE(raw.at(0).at(0).toString(), QStringLiteral("UDP"));

        // A frame too big for one datagram fails with the socket's own words.
        manager.sendCommand(0x0999, QByteArray(65535, 'x'));
        QCOMPARE(dropped.count(), 1);
        const QString reason = droppedReason(dropped, 0);
        QVERIFY(!reason.isEmpty());
        QVERIFY(reason != QStringLiteral("send_failed"));
        QVERIFY(reason != QStringLiteral("UDP 数据报发送失败"));

        link.close();
        manager.sendCommand(1, {});
        QCOMPARE(droppedReason(dropped, 1), QStringLiteral("link_closed"));
    }
};

SKYRIG_REGISTER_TEST(LinkTransportManagerTest)

#include "tst_transport_manager.moc"
