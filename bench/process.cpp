#include "process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

double MonotonicSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

Memory MemoryNow()
{
    Memory memory;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        long long kb = 0;
        if (std::sscanf(line.c_str(), "VmRSS: %lld kB", &kb) == 1)
            memory.residentKb = kb;
        else if (std::sscanf(line.c_str(), "VmHWM: %lld kB", &kb) == 1)
            memory.peakKb = kb;
    }
    return memory;
}

void ResetPeak()
{
    // "5" resets the high-water mark (Linux 4.0 and later).
    std::ofstream("/proc/self/clear_refs") << "5";
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

double CpuSecondsOf(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The command name may hold blanks: the fields counted here start after its ')'.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        else if (i == 15)
            stime = std::stoull(field);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

std::string FormatFigures(const Figures& figures)
{
    std::ostringstream out;
    out.precision(17);
    for (const auto& [name, value] : figures)
        out << name << '=' << value << ' ';
    return out.str();
}

Figures ParseFigures(const std::string& line)
{
    Figures figures;
    std::istringstream in(line);
    std::string pair;
    while (in >> pair) {
        const std::size_t eq = pair.find('=');
        if (eq != std::string::npos)
            figures[pair.substr(0, eq)] = std::stod(pair.substr(eq + 1));
    }
    return figures;
}

bool Finished::succeeded() const { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }

Finished Run(const std::vector<std::string>& argv, bool discardOutput)
{
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    int pipeFds[2] = {-1, -1};
    if (!discardOutput && pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (discardOutput)
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    else
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);

    Finished finished;
    pid_t pid = 0;
    finished.started = MonotonicSeconds();
    const int error = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (!discardOutput)
        close(pipeFds[1]);
    if (error != 0) {
        if (!discardOutput)
            close(pipeFds[0]);
        throw std::runtime_error(argv[0] + ": " + std::strerror(error));
    }
    if (!discardOutput) {
        char buffer[4096];
        for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
            if (n > 0)
                finished.output.append(buffer, std::size_t(n));
            else if (errno != EINTR)
                break;
        }
        close(pipeFds[0]);
    }
    while (wait4(pid, &finished.status, 0, &finished.usage) < 0 && errno == EINTR) {
    }
    finished.seconds = MonotonicSeconds() - finished.started;
    return finished;
}
