#pragma once

#include <QString>

// What the endurance run reads about itself and about the files it checks.
namespace SoakProbes
{

struct ProcessFigures {
    double rssMB = 0;
    double anonMB = 0; // of it, memory no file backs
    int fds = 0;
    int threads = 0;
};

// Resident memory, open descriptors and threads of this process.
ProcessFigures processFigures();
// How long the calling thread has waited, ready to run, for a processor (the
// scheduler's own account): a stall spent that way is the machine's, the rest
// of it is the program's. `fd` is the thread's schedstat file.
double queuedMs(int fd);
// Bytes the program has allocated and not freed, in every thread's arena.
double heapInUseMB();
// Empty when the recorded piece is complete, else what is wrong with it.
QString checkRecording(const QString &path);
// Empty when the two files hold the same bytes, else where they differ.
QString compareFiles(const QString &local, const QString &original);

} // namespace SoakProbes
