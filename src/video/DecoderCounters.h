#pragma once

#include <QtGlobal>

#include <atomic>

// Running counts of one decoder connection, written on the decoder's thread
// and read by the player's statistics whenever they like (each value alone;
// no lock, none is needed for counts).
struct DecoderCounters {
    // Pictures' compressed data handed over by the demuxer, and its bytes.
    std::atomic<quint64> received{0};
    std::atomic<quint64> bytes{0};
    // Pictures that came out of the decoder and were packed, and how many
    // pictures had been received before the first one (a stream joined
    // between key frames cannot decode those: they are no loss).
    std::atomic<quint64> decoded{0};
    std::atomic<quint64> beforeFirst{0};
    // Pictures the decoder reported damaged (lost data concealed).
    std::atomic<quint64> damaged{0};
    // Pictures dropped unseen while skipping to a key frame, and how often
    // the decoder began such a skip because the stream fell behind.
    std::atomic<quint64> skipped{0};
    std::atomic<quint64> keyFrameSkips{0};
    // Decoded pictures dropped because the interface had not yet taken the
    // ones before (it was busy): a newer one is on its way anyway.
    std::atomic<quint64> late{0};
    // Pictures sent to the interface and not yet taken.
    std::atomic<int> inFlight{0};
    // How far behind live the last packet came.
    std::atomic<qint64> behindUs{0};
};
