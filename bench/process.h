#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

// The clock every process of the benchmark shares, in seconds.
double MonotonicSeconds();
// The middle value (the mean of the two middle ones for an even count); 0 for none.
double Median(std::vector<double> values);

// This process's resident memory now and its high-water mark, in kB (from /proc/self/status).
struct Memory {
    long long residentKb = 0;
    long long peakKb = 0;
};
Memory MemoryNow();
// Lowers the high-water mark to what is resident now, so that a later peak is that of the step
// that follows alone.
void ResetPeak();
// User and system CPU time this process has used.
double CpuSeconds();
// User and system CPU time another process has used so far (0 when it cannot be read).
double CpuSecondsOf(pid_t pid);

// One line of "name=value" pairs, the way a measuring process reports to the benchmark.
using Figures = std::map<std::string, double>;
std::string FormatFigures(const Figures& figures);
Figures ParseFigures(const std::string& line);

// A finished child process.
struct Finished {
    std::string output; // its standard output, when captured
    int status = -1;    // as wait4 gives it
    rusage usage{};     // its own, peak memory included
    double seconds = 0; // from just before the spawn to its end
    double started = 0; // MonotonicSeconds() just before the spawn
    bool succeeded() const;
};
// Runs a program (looked up on PATH) and waits for it; its standard output is captured or, with
// `discardOutput`, sent to /dev/null. Standard error stays the caller's.
Finished Run(const std::vector<std::string>& argv, bool discardOutput = false);
