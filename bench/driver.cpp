#include "driver.h"

#include <mysql.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "process.h"

namespace {

constexpr const char* kDatabase = "bench";
constexpr const char* kBigTable = "big";
constexpr const char* kHugeTable = "big10m";
constexpr const char* kSmallTable = "small";
constexpr long long kBigRows = 1000000;
constexpr long long kHugeRows = 10000000;
constexpr long long kSmallRows = 20;

// The targets of the performance issue.
constexpr double kMaxPressToBareLoop = 0.6;
constexpr double kMinModelToPress = 8;
constexpr double kMaxHeldToText = 1.0;
constexpr double kMaxJumpSeconds = 0.016;
constexpr double kMaxStartSeconds = 0.2;

// Eight columns of the usual types, about 135 bytes of values a row in text form, a tenth of the
// TEXT values NULL; made by the sequence engine from the row number alone, so the same every run.
std::string tableStatements(const std::string& name, long long rows)
{
    return "drop table if exists " + name + ";"
        "create table " + name + " ("
        " id int not null primary key, name varchar(40) not null, qty int not null,"
        " price decimal(10,2) not null, created datetime not null, note text,"
        " flag tinyint(1) not null, ratio double not null);"
        "insert into " + name + " select seq,"
        " concat('item ', left(md5(seq), 4 + seq % 29)),"
        " seq * 7919 % 100000,"
        " seq * 104729 % 10000000 / 100,"
        " timestamp'2000-01-01 00:00:00' + interval (seq * 3631 % 700000000) second,"
        " if(seq % 10 = 0, null, left(concat(md5(seq), md5(seq + 1), md5(seq + 2)), 30 + seq % 64)),"
        " seq % 2,"
        " seq / 7e0"
        " from seq_1_to_" + std::to_string(rows);
}

// Root's own session for making the tables.
class Admin {
public:
    Admin(const BenchOptions& options) : mysql_(mysql_init(nullptr))
    {
        if (!mysql_real_connect(mysql_, options.host.c_str(), "root", options.password.c_str(), nullptr, 3306,
                                nullptr, CLIENT_MULTI_STATEMENTS))
            fail("login");
    }
    ~Admin() { mysql_close(mysql_); }
    Admin(const Admin&) = delete;
    Admin& operator=(const Admin&) = delete;

    void exec(const std::string& sql)
    {
        if (mysql_real_query(mysql_, sql.c_str(), static_cast<unsigned long>(sql.size())) != 0)
            fail(sql);
        for (int next = 0; next == 0; next = mysql_next_result(mysql_)) {
            if (MYSQL_RES* rows = mysql_store_result(mysql_))
                mysql_free_result(rows);
        }
        if (mysql_errno(mysql_) != 0)
            fail(sql);
    }
    std::string serverVersion() const { return mysql_get_server_info(mysql_); }

private:
    [[noreturn]] void fail(const std::string& what)
    {
        throw std::runtime_error(what.substr(0, 200) + ": " + mysql_error(mysql_));
    }

    MYSQL* mysql_;
};

std::string grouped(double value)
{
    const std::string digits = std::to_string(static_cast<long long>(value + 0.5));
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0 && digits[i - 1] != '-')
            out += ',';
        out += digits[i];
    }
    return out;
}

// Memory as /proc reports it (kB of 1024 bytes) in MB of 10^6 bytes, the unit of the values' bytes.
double megabytes(double kb) { return kb * 1024 / 1e6; }

const char* verdict(bool met) { return met ? "met" : "NOT MET"; }

std::string machine()
{
    std::string model = "unknown CPU";
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.rfind("model name", 0) == 0) {
            model = line.substr(line.find(':') + 2);
            break;
        }
    }
    utsname system{};
    uname(&system);
    char text[256];
    std::snprintf(text, sizeof text, "%s, %ld cores, %.1f GiB, Linux %s", model.c_str(), sysconf(_SC_NPROCESSORS_ONLN),
                  double(sysconf(_SC_PHYS_PAGES)) * double(sysconf(_SC_PAGESIZE)) / (1 << 30), system.release);
    return text;
}

std::string loadAverage()
{
    std::ifstream file("/proc/loadavg");
    double one = 0, five = 0, fifteen = 0;
    file >> one >> five >> fifteen;
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", one, five, fifteen);
    return text;
}

class Benchmark {
public:
    explicit Benchmark(const BenchOptions& options) : options_(options) {}

    // One run of a contender that measures itself in a process of its own.
    Figures runContender(const std::string& contender, const std::string& table,
                         const std::vector<std::string>& extra = {}) const
    {
        std::vector<std::string> argv = {options_.self, "--contender", contender, "--host", options_.host,
                                         "--password", options_.password, "--database", kDatabase, "--table", table};
        argv.insert(argv.end(), extra.begin(), extra.end());
        return measured([&] {
            const Finished run = Run(argv);
            if (!run.succeeded())
                throw std::runtime_error("contender " + contender + " on " + table + " failed");
            return ParseFigures(run.output);
        });
    }

    // The command-line client, timed and weighed from outside.
    Figures runClient(const std::string& statement) const
    {
        return measured([&] {
            const Finished run = Run({"mariadb", "--no-defaults", "--host=" + options_.host, "--port=3306",
                                      "--user=root", "--password=" + options_.password, "--database=" + std::string(kDatabase),
                                      "--quick", "--batch", "--execute=" + statement},
                                     true);
            if (!run.succeeded())
                throw std::runtime_error("mariadb --execute=\"" + statement + "\" failed");
            const rusage& u = run.usage;
            return Figures{{"seconds", run.seconds},
                           {"cpu", double(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
                                       + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6},
                           {"peak_kb", double(u.ru_maxrss)}};
        });
    }

    // The program from its start to its window's first frame.
    Figures runStart() const
    {
        const Finished run = Run({options_.startProbe});
        const Figures reported = ParseFigures(run.output);
        if (!run.succeeded() || !reported.count("painted"))
            throw std::runtime_error(options_.startProbe + " failed");
        return Figures{{"seconds", reported.at("painted") - run.started}};
    }

private:
    // Adds the server's CPU time over the run.
    Figures measured(const std::function<Figures()>& run) const
    {
        const double serverBefore = options_.serverPid ? CpuSecondsOf(options_.serverPid) : 0;
        Figures figures = run();
        if (options_.serverPid)
            figures["server_cpu"] = CpuSecondsOf(options_.serverPid) - serverBefore;
        return figures;
    }

    const BenchOptions& options_;
};

struct Contender {
    std::string label;
    std::function<Figures()> run;
    std::vector<Figures> runs;

    std::vector<double> values(const std::string& figure) const
    {
        std::vector<double> values;
        for (const Figures& f : runs)
            if (f.count(figure))
                values.push_back(f.at(figure));
        return values;
    }
    double median(const std::string& figure) const { return Median(values(figure)); }
    double least(const std::string& figure) const
    {
        const std::vector<double> v = values(figure);
        return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
    }
    double most(const std::string& figure) const
    {
        const std::vector<double> v = values(figure);
        return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
    }
};

// The median over the rounds of a's time over b's (less `offset`): the two ran in the same round,
// close in time, so under much the same load.
double pairedRatio(const Contender& a, const Contender& b, double offset = 0)
{
    std::vector<double> ratios;
    for (std::size_t r = 0; r < std::min(a.runs.size(), b.runs.size()); ++r)
        ratios.push_back(a.runs[r].at("seconds") / (b.runs[r].at("seconds") - offset));
    return Median(ratios);
}

void checkRows(const Figures& figures, long long rows, const std::string& who)
{
    if (figures.count("rows") && static_cast<long long>(figures.at("rows")) != rows)
        throw std::runtime_error(who + " read " + grouped(figures.at("rows")) + " rows, not " + grouped(double(rows)));
}

void printRow(const std::string& label, double seconds, double least, double most, double rows, double cpu,
              double serverCpu, double peakMb, double heldMb)
{
    char held[32] = "";
    if (heldMb >= 0)
        std::snprintf(held, sizeof held, "%.1f", heldMb);
    std::printf("%-36s %7.3f (%5.3f-%5.3f) %11s %8.2f %8.2f %9.1f %9s\n", label.c_str(), seconds, least, most,
                grouped(rows / seconds).c_str(), cpu, serverCpu, peakMb, held);
}

void hugePart(const Benchmark& bench, Admin& admin)
{
    std::printf("\nTen million rows (the same columns, table \"%s\")\n", kHugeTable);
    std::fflush(stdout);
    const double start = MonotonicSeconds();
    admin.exec(tableStatements(kHugeTable, kHugeRows));
    std::printf("  table made in %.0f s\n", MonotonicSeconds() - start);
    const Figures bare = bench.runContender("bare-loop", kHugeTable);
    checkRows(bare, kHugeRows, "the bare loop");
    const Figures press = bench.runContender("press", kHugeTable, {"--jumps"});
    checkRows(press, kHugeRows, "the press");
    const double text = bare.at("text_bytes");
    std::printf("  values in text form: %s bytes (%.1f a row)\n", grouped(text).c_str(), text / double(kHugeRows));
    std::printf("  bare Connector/C text loop %.2f s; press on the table list until painted %.2f s (%.2f of it)\n",
                bare.at("seconds"), press.at("seconds"), press.at("seconds") / bare.at("seconds"));
    std::printf("  memory held for the result by the window: %.0f MB (%.2f of the values' text), peak %.0f MB\n",
                megabytes(press.at("held_kb")), press.at("held_kb") * 1024 / text, megabytes(press.at("peak_kb")));
    std::printf("Target 3: a jump in the ten-million-row result, until its frame is painted (median, worst):\n");
    bool met = true;
    for (const auto& [key, label] : std::vector<std::pair<std::string, std::string>>{
             {"end", "scroll bar to the end"}, {"middle", "scroll bar to the middle"}, {"ctrl_end", "Ctrl+End"}}) {
        const double mid = press.at("jump_" + key + "_median"), worst = press.at("jump_" + key + "_max");
        met = met && worst < kMaxJumpSeconds;
        std::printf("  %-26s %6.2f ms  %6.2f ms\n", label.c_str(), mid * 1e3, worst * 1e3);
    }
    std::printf("  last row on screen after Ctrl+End: %s; under %.0f ms every time: %s\n",
                grouped(press.at("last_row_shown")).c_str(), kMaxJumpSeconds * 1e3, verdict(met));
}

int runAll(const BenchOptions& options)
{
    try {
        Admin admin(options);
        const Benchmark bench(options);
        std::printf("Machine: %s; MariaDB %s over loopback\n", machine().c_str(), admin.serverVersion().c_str());
        std::printf("Load average at the start: %s\n", loadAverage().c_str());
        std::fflush(stdout);
        admin.exec(std::string("create database if not exists ") + kDatabase + "; use " + kDatabase);
        admin.exec(tableStatements(kSmallTable, kSmallRows));
        const double made = MonotonicSeconds();
        admin.exec(tableStatements(kBigTable, kBigRows));
        std::printf("Table \"%s\" (%s rows) made in %.1f s\n", kBigTable, grouped(double(kBigRows)).c_str(),
                    MonotonicSeconds() - made);
        // A first read brings the table into the server's buffer pool and counts its bytes.
        const Figures warm = bench.runContender("bare-loop", kBigTable);
        checkRows(warm, kBigRows, "the bare loop");
        const double text = warm.at("text_bytes");

        bool modelValuesRead = false;
        std::vector<Contender> contenders = {
            {"bare Connector/C text loop", [&] { return bench.runContender("bare-loop", kBigTable); }, {}},
            {"bare Connector/C binary loop", [&] { return bench.runContender("binary-loop", kBigTable); }, {}},
            {"mariadb --quick --batch", [&] { return bench.runClient(std::string("select * from ") + kBigTable); }, {}},
            {"QSqlQueryModel, QMYSQL",
             [&] {
                 // Reading every value takes long: once is enough to show what it costs.
                 return bench.runContender("qt-model", kBigTable,
                                           std::exchange(modelValuesRead, true) ? std::vector<std::string>{}
                                                                                : std::vector<std::string>{"--read-values"});
             },
             {}},
            {"TMyQuery::Open", [&] { return bench.runContender("open", kBigTable); }, {}},
            {"press on the table list, painted", [&] { return bench.runContender("press", kBigTable, {"--small", kSmallTable}); }, {}},
            {"mariadb, select 1", [&] { return bench.runClient("select 1"); }, {}},
            {"program start to first frame", [&] { return bench.runStart(); }, {}},
        };
        enum { kBare, kBinary, kClient, kModel, kOpen, kPress, kClientIdle, kStart };
        std::printf("%d rounds, the contenders taking turns (the order turning each round):", options.rounds);
        std::fflush(stdout);
        for (int round = 0; round < options.rounds; ++round) {
            for (std::size_t i = 0; i < contenders.size(); ++i) {
                Contender& c = contenders[(i + std::size_t(round)) % contenders.size()];
                c.runs.push_back(c.run());
                checkRows(c.runs.back(), kBigRows, c.label);
            }
            std::printf(" %d", round + 1);
            std::fflush(stdout);
        }
        std::printf("\nLoad average at the end: %s\n\n", loadAverage().c_str());

        std::printf("SELECT * of %s rows x 8 columns (INT key, VARCHAR(40), INT, DECIMAL(10,2), DATETIME,\n"
                    "TEXT 10%% NULL, TINYINT(1), DOUBLE): %s bytes of values in text form, %.1f a row.\n"
                    "Medians of %d rounds, each contender in a process of its own; memory over the process's\n"
                    "own before the step (the mariadb client: over the same client running \"select 1\").\n\n",
                    grouped(double(kBigRows)).c_str(), grouped(text).c_str(), text / double(kBigRows), options.rounds);
        std::printf("%-36s %7s %13s %11s %8s %8s %9s %9s\n", "contender", "seconds", "(min-max)", "rows/s",
                    "cli CPU", "srv CPU", "peak MB", "held MB");
        const double idleSeconds = contenders[kClientIdle].median("seconds");
        const double idleKb = contenders[kClientIdle].median("peak_kb");
        for (int i : {kBare, kBinary, kClient, kModel, kOpen, kPress}) {
            const Contender& c = contenders[std::size_t(i)];
            const double off = i == kClient ? idleSeconds : 0;
            const double offKb = i == kClient ? idleKb : 0;
            printRow(c.label, c.median("seconds") - off, c.least("seconds") - off, c.most("seconds") - off,
                     double(kBigRows), c.median("cpu") - (i == kClient ? contenders[kClientIdle].median("cpu") : 0),
                     c.median("server_cpu"), megabytes(c.median("peak_kb") - offKb),
                     i == kOpen || i == kPress ? megabytes(c.median("held_kb")) : -1);
        }
        std::printf("\nThe mariadb client's times are less its own start and login (\"select 1\": %.3f s).\n",
                    idleSeconds);
        std::printf("QSqlQueryModel holds the rows as the client library stored them; reading every value once\n"
                    "through the model afterwards (a QVariant each) takes another %.2f s.\n\n",
                    contenders[kModel].median("values_seconds"));

        const double toBare = pairedRatio(contenders[kPress], contenders[kBare]);
        const double toClient = pairedRatio(contenders[kPress], contenders[kClient], idleSeconds);
        const double fromModel = pairedRatio(contenders[kModel], contenders[kPress]);
        const double held = contenders[kPress].median("held_kb") * 1024;
        std::printf("Ratios of the times of one round, median over the rounds:\n");
        std::printf("Target 1: press / bare text loop %.2f (at most %.1f: %s); press / mariadb --quick %.2f (below 1: %s);\n"
                    "          QSqlQueryModel / press %.1f with the rows held (at least %.0f: %s), %.1f with every value\n"
                    "          read once as a QVariant; the protocols' own: bare binary loop / bare text loop %.2f\n",
                    toBare, kMaxPressToBareLoop, verdict(toBare <= kMaxPressToBareLoop), toClient, verdict(toClient < 1),
                    fromModel, kMinModelToPress, verdict(fromModel >= kMinModelToPress),
                    (contenders[kModel].median("seconds") + contenders[kModel].median("values_seconds"))
                        / contenders[kPress].median("seconds"),
                    pairedRatio(contenders[kBinary], contenders[kBare]));
        std::printf("Target 2: memory the window holds for the result / its values' text %.2f (at most %.1f: %s);\n"
                    "          TMyQuery::Open alone %.2f; the press's peak %.2f\n",
                    held / text, kMaxHeldToText, verdict(held / text <= kMaxHeldToText),
                    contenders[kOpen].median("held_kb") * 1024 / text, contenders[kPress].median("peak_kb") * 1024 / text);
        const double startSeconds = contenders[kStart].median("seconds");
        std::printf("Target 4: program start to the window's first frame %.0f ms (worst %.0f; at most %.0f: %s);\n"
                    "          press on a %lld-row table until painted %.1f ms (worst %.1f)\n",
                    startSeconds * 1e3, contenders[kStart].most("seconds") * 1e3, kMaxStartSeconds * 1e3,
                    verdict(startSeconds <= kMaxStartSeconds), kSmallRows,
                    contenders[kPress].median("small_seconds") * 1e3, contenders[kPress].most("small_seconds") * 1e3);
        std::fflush(stdout);

        if (!options.quick)
            hugePart(bench, admin);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "\nsql_bench: %s\n", error.what());
        return 1;
    }
}

} // namespace

int RunBenchmark(const BenchOptions& options)
{
    // Every window of the benchmark is drawn offscreen, with a runtime folder of its own when the
    // session has none (Qt warns without one).
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    char runtimeDir[] = "/tmp/sql-bench-XXXXXX";
    const bool ownRuntimeDir = !std::getenv("XDG_RUNTIME_DIR") && mkdtemp(runtimeDir);
    if (ownRuntimeDir)
        setenv("XDG_RUNTIME_DIR", runtimeDir, 1);
    const int status = runAll(options);
    if (ownRuntimeDir)
        rmdir(runtimeDir);
    return status;
}
