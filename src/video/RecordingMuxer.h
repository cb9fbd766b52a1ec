#pragma once

#include "link/BilingualText.h"
#include "video/RecordedPacket.h"

#include <QString>

struct AVCodecParameters;
struct AVFormatContext;
struct AVPacket;
struct AVStream;

// One recorded file: the container chosen by the file name, the live
// stream's packets written into it as they came (time stamps rebased to
// start at zero), and a trailer that finishes it.
//
// An MP4 file is written fragmented: a header that needs nothing from the
// end of the file, then self-contained fragments of at most FragmentMs (cut
// at every keyframe too), each handed to the disk as soon as it is complete.
// A program that is killed, or a machine that loses power, leaves a file
// that plays up to its last complete fragment; common players play it while
// it grows. The trailer only adds an index for faster seeking.
class RecordingMuxer
{
public:
    static constexpr int FragmentMs = 1000;

    RecordingMuxer() = default;
    RecordingMuxer(const RecordingMuxer &) = delete;
    RecordingMuxer &operator=(const RecordingMuxer &) = delete;
    // Releases whatever is still open without finishing it.
    ~RecordingMuxer();

    // Creates the file and writes its header; false with the reason in
    // `error` (nothing is left open then).
    bool open(const QString &path, const AVCodecParameters *parameters, int numerator,
              int denominator, BilingualText &error);
    bool isOpen() const { return m_output != nullptr; }
    // False when the packet could not be written (the disk is full, say).
    bool write(const RecordedPacket &packet);
    // Writes the trailer and closes the file; false when either fails, so a
    // file that did not reach the disk whole is never reported as saved.
    bool finish();

private:
    void release();

    AVFormatContext *m_output = nullptr;
    AVStream *m_stream = nullptr;
    AVPacket *m_packet = nullptr;
    int m_numerator = 1;
    int m_denominator = 90000;
    qint64 m_offset = 0;
    bool m_offsetKnown = false;
    bool m_ownFile = false;
};
