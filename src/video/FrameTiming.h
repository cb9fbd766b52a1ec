#pragma once

#include <QtGlobal>

#include <limits>

// When one picture passed each step of the live path, and what is known of
// the moment it was captured. Times are on this computer's monotonic clock
// in microseconds (the clock the simulator's capture stamp uses as well);
// 0 means "not known". Filled in by the decoder, read by the statistics.
struct FrameTiming {
    static constexpr qint64 Unknown = std::numeric_limits<qint64>::min();

    // The demuxer handed over the picture's compressed data.
    qint64 receivedUs = 0;
    // The picture was decoded and packed, ready to cross to the interface.
    qint64 decodedUs = 0;
    // Decoding alone: from handing the data to the decoder to the packed picture.
    qint32 decodeUs = 0;
    // Capture moment read from the simulator's stamp in the picture (a
    // simulator on this computer only); 0 when the picture carries none.
    qint64 capturedUs = 0;
    // Our wall clock at receipt minus the camera's wall clock for this
    // picture from its RTCP sender reports (meaningful only when the
    // camera's clock was set from ours); Unknown without sender reports.
    qint64 senderLagUs = Unknown;

    static qint64 nowUs();
    // Microseconds since the epoch on the computer's wall clock.
    static qint64 wallNowUs();
};
