#pragma once

#include <QString>

// The live path's health figures for bench_video: the latency breakdown
// over TCP and UDP, playing through packet loss, 2160p H.265 with one
// thread against the automatic threading, and the whole program's CPU on
// both drawing paths. The breakdown and loss rows run in child processes
// (a window of their own, a network namespace of their own).
namespace video_health
{

// Runs a child mode when argv asks for one; -1 when it does not.
int runChild(int argc, char **argv);

void latencyBreakdown();
void lossRows();
void hevcThreading(const QString &folder);
void programCpu();

} // namespace video_health
