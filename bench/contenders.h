#pragma once

#include <QString>

// Where a measuring process finds its server and table. The account is root.
struct Target {
    QString host;
    QString password;
    QString database;
    QString table;
};

// Each contender runs in a process of its own: it sets itself up (connects, builds its window),
// measures one step (all rows of the table fetched, or shown), and prints its figures as one line
// of "name=value" pairs on standard output: seconds, cpu (the process's CPU seconds over the step),
// peak_kb (the step's high-water mark over the memory resident before it), held_kb (what stays
// resident after it), rows. Each returns the process's exit status.

// mysql_real_query + mysql_use_result, touching each value's length; also reports text_bytes,
// the bytes of all values in text form.
int BareLoop(const Target& target);
// The same rows over the binary protocol: prepared, run, fetched row by row with mysql_stmt_fetch
// into native binds; the floor for TMyQuery::Open.
int BareBinaryLoop(const Target& target);
// QSqlQueryModel over the QMYSQL driver, fetchMore until all rows are in; with `readValues`, then
// every value read through the model once (a QVariant each), as values_seconds.
int QtSqlModel(int& argc, char** argv, const Target& target, bool readValues);
// TMyQuery::Open of "select * from <table>" alone.
int QueryOpen(const Target& target);
// The program's window, offscreen: connected, the database picked, then a press on the table's
// row in the table list until the result grid has painted. With `smallTable`, a press on that
// table first, reported as small_seconds. With `jumps`, then the frame times of jumps in the
// result (scroll bar to the end, to the middle, Ctrl+End), as jump_<kind>_median and _max.
int TablePress(int& argc, char** argv, const Target& target, const QString& smallTable, bool jumps);
