#pragma once

#include <QString>

// Names of downloaded files on this computer. The name comes from the
// camera's device path, which is not trusted: whatever it holds, the result is
// a plain file name inside the download folder (no separators of any
// platform, no "." or "..", no control characters, no reserved device names,
// a bounded length) and never empty.
class LocalFileNames
{
public:
    // Longest name produced, in UTF-8 bytes; leaves room for the "_n" of the
    // naming rule and the partial-file suffix within the usual 255-byte limit.
    static constexpr int MaxNameBytes = 180;

    static QString safeName(const QString &devicePath);

    // `name` when nothing of that name exists in `folder`, else the first free
    // "base_n.suffix" for n = 1..999 ("base_n" without a suffix); empty when
    // all are taken.
    static QString freeName(const QString &folder, const QString &name);

    // The name of a file still being received.
    static QString partialName(const QString &name, int attempt = 0);
};
