#pragma once

// Every port and delay the album works with, in one place, so that tests can
// use free ports and short delays. The defaults are what a camera expects.
struct AlbumTimings {
    // Local UDP ports the camera sends to (0 = any free port; the port that
    // was actually bound is what gets announced to the camera).
    int downloadPort = 6665;
    int playbackPort = 6660;

    // The media list must arrive within this long after it was asked for.
    int listTimeoutMs = 10000;
    // One thumbnail attempt.
    int thumbnailTimeoutMs = 5000;
    // A file transfer without any progress this long is abandoned and retried
    // from the start: the last resort once re-requests have not helped.
    int stallMs = 12000;
    // How long a delete acknowledgement is awaited after the album closed.
    int deleteBarrierMs = 2000;
    // The camera needs a moment after switching to album mode before it
    // answers list requests.
    int albumReadyDelayMs = 1000;
    // After an abort, before the next transfer begins: what the camera had
    // already sent of the aborted one arrives and is dropped meanwhile.
    int abortSettleMs = 50;
    // Pause between transfers (after a thumbnail, between files, retries).
    int pumpDelayMs = 800;
    // After a refused follow-up window, before it is asked for again.
    int refusedWindowRetryMs = 80;
    // Without progress for this long, the window is asked for again from the
    // first byte still missing (lost datagrams, lost request or answer).
    int rerequestMs = 400;
    // Once packets are flowing, silence of fifty times their usual spacing
    // or four times the camera's usual answer time (at least this long)
    // already counts as no progress; each further silent re-request waits
    // twice as long.
    int minQuietMs = 4;
    // Packets held beyond a gap before it counts as a loss rather than
    // reordering; the missing part is then asked for at once.
    int gapHeldPackets = 8;
    // "Enter album mode" without an answer is sent again after this long, at
    // most modeResendCount more times, before the album reports the failure.
    int modeResendMs = 1500;
    int modeResendCount = 3;
    // How long the address lookup waits for the routing answer.
    int addressProbeMs = 200;
};
