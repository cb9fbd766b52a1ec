#pragma once

// A steering object wired to a real controller and transport manager, with
// every command that leaves the link recorded as a short text and the time
// it left: "move R -" (yaw R/L/-, pitch U/D/-), "stop", "centre", "down",
// "speed P Y", "zoom in|out|stop", "zoom to F", "photo", "record start|stop".

#include "catalog/CameraModelBridge.h"
#include "commands/GimbalController.h"
#include "common/TestTransport.h"
#include "input/GimbalSteering.h"
#include "link/FrameCodec.h"
#include "link/TransportManager.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QVector>

struct SentCommand {
    QString text;
    qint64 ms;
};

inline QString describe(quint16 code, const QByteArray &p)
{
    const auto byte = [&p](int i) { return i < p.size() ? int(quint8(p[i])) : -1; };
    switch (code) {
    case 0x0010: {
        const int mode = byte(0) >> 4;
        if (mode == 1)
            return QStringLiteral("centre");
        if (mode == 2)
            return QStringLiteral("down");
        if (byte(1) == 2 && byte(2) == 2)
            return QStringLiteral("stop");
        const char *yaw[] = {"L", "R", "-"};
        const char *pitch[] = {"U", "D", "-"};
        return QStringLiteral("move %1 %2")
            .arg(yaw[qBound(0, byte(1), 2)], pitch[qBound(0, byte(2), 2)]);
    }
    case 0x0017:
        return QStringLiteral("speed %1 %2").arg(byte(0)).arg(byte(1));
    case 0x0306: {
        const char *dir[] = {"in", "out", "stop"};
        return QStringLiteral("zoom %1").arg(dir[qBound(0, byte(0), 2)]);
    }
    case 0x0304:
        return QStringLiteral("zoom to %1").arg((byte(1) | byte(2) << 8) / 10.0);
    case 0x0302:
        return QStringLiteral("photo");
    case 0x0303:
        return byte(1) == 1 ? QStringLiteral("record start") : QStringLiteral("record stop");
    }
    return QString(); // the handshake's and others': not steering
}

class SteeringRig
{
public:
    SteeringRig()
    {
        controller.setTransportManager(&manager);
        manager.setTransport(&transport);
        clock.start();
        QObject::connect(&manager, &TransportManager::commandSent, &manager,
                         [this](uint32_t, const QString &, const QByteArray &frame) {
                             int used = 0;
                             const ParsedFrame f = FrameCodec::decodeShortFrame(frame, used);
                             const QString text =
                                 describe(FrameCodec::commandCode(f.messageId), f.payload);
                             if (!text.isEmpty())
                                 sent.append({text, clock.elapsed()});
                         });
        steering.setLinkUp(true);
    }

    // The texts sent, with the repeats of a motion or continuous zoom
    // command (also those between other commands) and runs of one command
    // folded into one.
    QStringList texts() const
    {
        QStringList out;
        QString motion;
        QString zoom;
        for (const SentCommand &c : sent) {
            const bool isMotion =
                c.text.startsWith(QLatin1String("move")) || c.text == QLatin1String("stop");
            const bool isZoom = c.text.startsWith(QLatin1String("zoom ")) &&
                                !c.text.startsWith(QLatin1String("zoom to"));
            QString *last = isMotion ? &motion : isZoom ? &zoom : nullptr;
            if ((last && c.text == *last) || (!out.isEmpty() && out.last() == c.text))
                continue;
            if (last)
                *last = c.text;
            out.append(c.text);
        }
        return out;
    }
    int count(const QString &text) const
    {
        return int(std::count_if(sent.begin(), sent.end(),
                                 [&text](const SentCommand &c) { return c.text == text; }));
    }
    // When the commands that start with `start` left.
    QVector<qint64> times(const QString &start) const
    {
        QVector<qint64> out;
        for (const SentCommand &c : sent) {
            if (c.text.startsWith(start))
                out.append(c.ms);
        }
        return out;
    }
    // Waits until every stop (of motion and of zoom) has had its repeats:
    // after the last move, and after the last zoom in or out, three stops.
    bool settled()
    {
        return QTest::qWaitFor([this] { return stopped(false) && stopped(true); }, 5000);
    }
    bool stopped(bool zoom) const
    {
        const QString stop = zoom ? QStringLiteral("zoom stop") : QStringLiteral("stop");
        int stops = 0;
        for (int i = sent.size() - 1; i >= 0; --i) {
            const QString &t = sent[i].text;
            if (t == stop)
                ++stops;
            else if (zoom ? t == QLatin1String("zoom in") || t == QLatin1String("zoom out")
                          : t.startsWith(QLatin1String("move")))
                return stops >= GimbalSteering::StopRepeats + 1;
        }
        return true;
    }

    TransportManager manager;
    TestTransport transport{QStringLiteral("REC"), true};
    GimbalController controller;
    CameraModelBridge camera{&controller};
    GimbalSteering steering{&controller, controller.state(), &camera};
    QVector<SentCommand> sent;
    QElapsedTimer clock;
};
