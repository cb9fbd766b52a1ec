// Receive path throughput: bytes handed to the transport manager as a link
// would deliver them, counted as decoded frames.

#include "common/TestTransport.h"
#include "link/FrameCodec.h"
#include "link/TransportManager.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace
{

QByteArrayList makeChunks(int framesPerChunk, int splitBytes)
{
    // 256 frames with every sequence number, a status-like payload of 20 bytes.
    QByteArray stream;
    quint8 seq = 0;
    for (int i = 0; i < 256; ++i) {
        QByteArray payload(20, '\0');
        for (int j = 0; j < payload.size(); ++j)
            payload[j] = char((i * 31 + j * 7) & 0xFF);
        stream += FrameCodec::encodeShortFrame(seq, 0x04, 0x01, 0x0001, payload);
    }
    const int frameSize = 20 + FrameCodec::ShortOverhead;
    QByteArrayList chunks;
    if (splitBytes > 0) {
        // Cut with no regard to frame borders, as a serial read would.
        QByteArray repeated;
        for (int i = 0; i < splitBytes; ++i)
            repeated += stream; // a whole number of frames again after splitBytes rounds
        for (int at = 0; at < repeated.size(); at += splitBytes)
            chunks << repeated.mid(at, splitBytes);
        return chunks;
    }
    QByteArray twice = stream + stream; // lets a chunk wrap around the 256 frames
    for (int first = 0; first < 256; first += framesPerChunk)
        chunks << twice.mid(first * frameSize, framesPerChunk * frameSize);
    return chunks;
}

void run(const char *label, int framesPerChunk, int splitBytes, qint64 targetFrames)
{
    TransportManager manager;
    TestTransport link(QStringLiteral("Bench"), true);
    manager.setTransport(&link);
    qint64 frames = 0;
    QObject::connect(&manager, &TransportManager::frameReceived,
                     [&frames](const ParsedFrame &) { ++frames; });

    const QByteArrayList chunks = makeChunks(framesPerChunk, splitBytes);
    qint64 bytes = 0;
    QElapsedTimer timer;
    timer.start();
    while (frames < targetFrames) {
        for (const QByteArray &chunk : chunks) {
            link.deliver(chunk);
            bytes += chunk.size();
        }
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("%-34s %9lld frames %7.3f s  %10.0f frames/s  %7.1f MB/s\n", label,
                static_cast<long long>(frames), seconds, frames / seconds, bytes / seconds / 1e6);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 target = argc > 1 ? QByteArray(argv[1]).toLongLong() : 2000000;
    std::printf("receive path, 20-byte payloads (32-byte frames)\n");
    run("1 frame per chunk", 1, 0, target);
    run("64 frames per chunk", 64, 0, target);
    run("100-byte chunks across frames", 0, 100, target);
    return 0;
}
