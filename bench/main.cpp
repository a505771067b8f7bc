// The benchmark's entry. Run by scripts/bench, which builds it and starts its server:
//
//   sql_bench --host ADDR --password PW [--server-pid PID] [--rounds N] [--quick]
//
// It starts itself again for each measurement, as
//
//   sql_bench --contender NAME --host ADDR --password PW --database DB --table T
//             [--small T] [--jumps] [--read-values]
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "contenders.h"
#include "driver.h"

namespace {

// The value after `name`, or `fallback` when `name` is not given.
std::string option(int argc, char** argv, const char* name, const std::string& fallback = {})
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return argv[i + 1];
    return fallback;
}

bool flag(int argc, char** argv, const char* name)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return true;
    return false;
}

int usage()
{
    std::fprintf(stderr, "usage: sql_bench --host ADDR --password PW [--server-pid PID] [--rounds N] [--quick]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string contender = option(argc, argv, "--contender");
    const std::string host = option(argc, argv, "--host");
    if (host.empty())
        return usage();
    if (!contender.empty()) {
        const Target target{QString::fromStdString(host), QString::fromStdString(option(argc, argv, "--password")),
                            QString::fromStdString(option(argc, argv, "--database")),
                            QString::fromStdString(option(argc, argv, "--table"))};
        if (contender == "bare-loop")
            return BareLoop(target);
        if (contender == "binary-loop")
            return BareBinaryLoop(target);
        if (contender == "qt-model")
            return QtSqlModel(argc, argv, target, flag(argc, argv, "--read-values"));
        if (contender == "open")
            return QueryOpen(target);
        if (contender == "press")
            return TablePress(argc, argv, target, QString::fromStdString(option(argc, argv, "--small")),
                              flag(argc, argv, "--jumps"));
        return usage();
    }

    BenchOptions options;
    options.host = host;
    options.password = option(argc, argv, "--password");
    options.serverPid = std::atoi(option(argc, argv, "--server-pid", "0").c_str());
    options.rounds = std::max(1, std::atoi(option(argc, argv, "--rounds", std::to_string(options.rounds)).c_str()));
    options.quick = flag(argc, argv, "--quick");
    // Its sibling programs lie beside it.
    const QFileInfo self(QString::fromLocal8Bit(argv[0]));
    options.self = self.absoluteFilePath().toStdString();
    options.startProbe = (self.absolutePath() + QStringLiteral("/sql_start_probe")).toStdString();
    return RunBenchmark(options);
}
