// Helpers shared by the benchmarks: running a baseline program and reading the peak
// memory of a process.
#pragma once

#include <QString>
#include <QStringList>

struct TBenchRun {
    int ExitCode = -1;
    double Seconds = 0;
    long PeakKiB = 0;  // maximum resident set size of the child
};

// Runs Program with Arguments, output discarded, and measures its wall time and peak memory.
TBenchRun BenchRunProcess(const QString& Program, const QStringList& Arguments);
// The peak resident set size of this process so far, in KiB.
long BenchSelfPeakKiB();
// "1.23 GB/s"-style throughput.
QString BenchRate(double Bytes, double Seconds);
