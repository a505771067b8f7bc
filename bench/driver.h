#pragma once

#include <sys/types.h>

#include <string>

struct BenchOptions {
    std::string host;       // the benchmark's own server, port 3306, root
    std::string password;
    pid_t serverPid = 0;    // its process, for its CPU time (0: not reported)
    int rounds = 7;
    bool quick = false;     // leave out the ten-million-row part
    std::string self;       // this program, started again for each contender
    std::string startProbe; // sql_start_probe
};

// Creates the tables, runs every contender in turn for the given rounds, each in a process of its
// own, and prints the figures. Returns the exit status.
int RunBenchmark(const BenchOptions& options);
