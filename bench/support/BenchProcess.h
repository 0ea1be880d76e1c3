// Helpers shared by the benchmarks: running a baseline program, reading the peak memory
// of a process, and timing a piece of work in a child process of its own.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

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

// What BenchInChild measured.
struct TBenchChild {
    double Best = 1e99;       // seconds, the best round
    double Free = 0;          // seconds to free the result (first round)
    long PeakKiB = 0;         // resident growth during the first round
    long TreeKiB = 0;         // resident growth while the first round's result is alive
    long long Nodes = 0;      // what the first round counted (elements, items ...)
    bool Ok = false;          // the count was not 0
};

// One round of work: builds its result and returns a count and a function that frees it.
using TBenchWork = std::function<std::pair<long long, std::function<void()>>()>;

// Runs Work Rounds times in a child process forked for it, so that its peak memory is
// measured apart from everything else the benchmark holds.
TBenchChild BenchInChild(int Rounds, const TBenchWork& Work);
