#include "contenders.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQueryModel>
#include <QTest>
#include <QTimer>
#include <mysql.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <vector>

#include "application.h"
#include "db_adv_grid.h"
#include "my_connection.h"
#include "my_query.h"
#include "process.h"
#include "sql_adm.h"

namespace {

// Repeats of each jump in a big result; their median and worst are reported.
constexpr int kJumpRepeats = 9;
// A press that has not painted by then has failed.
constexpr double kPaintTimeoutSeconds = 600;

QString selectAll(const Target& target) { return QStringLiteral("select * from ") + target.table; }

// The cost of one step: time, this process's CPU, and memory over what was resident before it.
class Step {
public:
    Step() : cpu_(CpuSeconds())
    {
        ResetPeak();
        before_ = MemoryNow();
        start_ = MonotonicSeconds();
    }
    void end(Figures& figures) const
    {
        const double seconds = MonotonicSeconds() - start_;
        const double cpu = CpuSeconds() - cpu_;
        const Memory after = MemoryNow();
        figures["seconds"] = seconds;
        figures["cpu"] = cpu;
        figures["peak_kb"] = double(after.peakKb - before_.residentKb);
        figures["held_kb"] = double(after.residentKb - before_.residentKb);
    }

private:
    double cpu_;
    Memory before_;
    double start_ = 0;
};

int report(const Figures& figures)
{
    std::printf("%s\n", FormatFigures(figures).c_str());
    return 0;
}

[[noreturn]] void fail(const QString& what)
{
    std::fprintf(stderr, "sql_bench: %s\n", qPrintable(what));
    std::exit(2);
}

// --- the window ------------------------------------------------------------------------------

// Notes whether a widget has been painted since it was last asked.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* widget) { widget->installEventFilter(this); }
    bool take() { return std::exchange(painted_, false); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted_ = true;
        return false;
    }

private:
    bool painted_ = false;
};

// Seconds from an action to the end of the paint it causes in `watch`'s widget. The paint runs
// inside processEvents, so once processEvents returns with the widget painted, the frame is done.
double timeToPaint(PaintWatch& watch, const std::function<void()>& action)
{
    QCoreApplication::processEvents();
    watch.take();
    const double start = MonotonicSeconds();
    action();
    while (!watch.take()) {
        if (MonotonicSeconds() - start > kPaintTimeoutSeconds)
            fail(QStringLiteral("the result grid was not painted"));
        QCoreApplication::processEvents();
    }
    return MonotonicSeconds() - start;
}

// A left click on the data row of a list that shows `name`.
void clickName(TDBAdvGrid* list, const QString& name)
{
    for (int row = 1; row < list->RowCount(); ++row) {
        if (list->Cells(1, row) != name)
            continue;
        const QModelIndex index = list->model()->index(row - 1, 0);
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
        return;
    }
    fail(QStringLiteral("\"%1\" is not in the list").arg(name));
}

// An error box would wait for a person: report its text and give up.
void failOnErrorBox(QTimer& timer)
{
    QObject::connect(&timer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            fail(QStringLiteral("error box: ") + box->text());
    });
    timer.start(20);
}

void measureJumps(TDBAdvGrid* grid, PaintWatch& watch, Figures& figures)
{
    QScrollBar* bar = grid->verticalScrollBar();
    const std::vector<std::pair<std::string, std::function<void()>>> jumps = {
        {"end", [bar] { bar->triggerAction(QAbstractSlider::SliderToMaximum); }},
        {"middle", [bar] { bar->setValue(bar->maximum() / 2); }},
        {"ctrl_end", [grid] { QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier); }},
    };
    std::vector<std::vector<double>> times(jumps.size());
    for (int repeat = 0; repeat < kJumpRepeats; ++repeat) {
        for (std::size_t j = 0; j < jumps.size(); ++j) {
            QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier); // back to the first row, untimed
            times[j].push_back(timeToPaint(watch, jumps[j].second));
        }
    }
    for (std::size_t j = 0; j < jumps.size(); ++j) {
        figures["jump_" + jumps[j].first + "_median"] = Median(times[j]);
        figures["jump_" + jumps[j].first + "_max"] = *std::max_element(times[j].begin(), times[j].end());
    }
    figures["last_row_shown"] = grid->rowAt(grid->viewport()->height() - 1) + 1;
}

// A plain Connector/C session, as the bare loops use it.
MYSQL* connectBare(const Target& target)
{
    MYSQL* mysql = mysql_init(nullptr);
    mysql_options(mysql, MYSQL_SET_CHARSET_NAME, "utf8mb4");
    if (!mysql_real_connect(mysql, qPrintable(target.host), "root", qPrintable(target.password),
                            qPrintable(target.database), 3306, nullptr, 0))
        fail(QString::fromUtf8(mysql_error(mysql)));
    return mysql;
}

} // namespace

int BareLoop(const Target& target)
{
    MYSQL* mysql = connectBare(target);
    const QByteArray sql = selectAll(target).toUtf8();
    Figures figures;
    unsigned long long rows = 0, bytes = 0;
    const Step step;
    if (mysql_real_query(mysql, sql.constData(), static_cast<unsigned long>(sql.size())) != 0)
        fail(QString::fromUtf8(mysql_error(mysql)));
    MYSQL_RES* result = mysql_use_result(mysql);
    if (!result)
        fail(QString::fromUtf8(mysql_error(mysql)));
    const unsigned columns = mysql_num_fields(result);
    while (mysql_fetch_row(result)) {
        const unsigned long* lengths = mysql_fetch_lengths(result);
        for (unsigned c = 0; c < columns; ++c)
            bytes += lengths[c];
        ++rows;
    }
    if (mysql_errno(mysql) != 0)
        fail(QString::fromUtf8(mysql_error(mysql)));
    mysql_free_result(result);
    step.end(figures);
    mysql_close(mysql);
    figures["rows"] = double(rows);
    figures["text_bytes"] = double(bytes);
    return report(figures);
}

int BareBinaryLoop(const Target& target)
{
    MYSQL* mysql = connectBare(target);
    const QByteArray sql = selectAll(target).toUtf8();
    Figures figures;
    unsigned long long rows = 0, bytes = 0;
    const Step step;
    MYSQL_STMT* statement = mysql_stmt_init(mysql);
    if (mysql_stmt_prepare(statement, sql.constData(), static_cast<unsigned long>(sql.size())) != 0
        || mysql_stmt_execute(statement) != 0)
        fail(QString::fromUtf8(mysql_stmt_error(statement)));
    MYSQL_RES* metadata = mysql_stmt_result_metadata(statement);
    const unsigned columns = mysql_num_fields(metadata);
    const MYSQL_FIELD* fields = mysql_fetch_fields(metadata);
    // Numbers and dates into native slots, strings into a buffer each (a longer value is cut:
    // its length is all this loop touches).
    struct Slot {
        char buffer[1024];
        unsigned long length = 0;
        my_bool null = 0;
    };
    std::vector<Slot> cells(columns);
    std::vector<MYSQL_BIND> binds(columns);
    for (unsigned c = 0; c < columns; ++c) {
        MYSQL_BIND& bind = binds[c];
        bind.buffer = cells[c].buffer;
        bind.length = &cells[c].length;
        bind.is_null = &cells[c].null;
        switch (fields[c].type) {
        case MYSQL_TYPE_TINY:
        case MYSQL_TYPE_SHORT:
        case MYSQL_TYPE_INT24:
        case MYSQL_TYPE_LONG:
        case MYSQL_TYPE_LONGLONG:
        case MYSQL_TYPE_YEAR: bind.buffer_type = MYSQL_TYPE_LONGLONG; break;
        case MYSQL_TYPE_FLOAT: bind.buffer_type = MYSQL_TYPE_FLOAT; break;
        case MYSQL_TYPE_DOUBLE: bind.buffer_type = MYSQL_TYPE_DOUBLE; break;
        case MYSQL_TYPE_DATE:
        case MYSQL_TYPE_TIME:
        case MYSQL_TYPE_DATETIME:
        case MYSQL_TYPE_TIMESTAMP: bind.buffer_type = MYSQL_TYPE_DATETIME; break;
        default:
            bind.buffer_type = MYSQL_TYPE_STRING;
            bind.buffer_length = sizeof cells[c].buffer;
            break;
        }
    }
    mysql_free_result(metadata);
    if (mysql_stmt_bind_result(statement, binds.data()) != 0)
        fail(QString::fromUtf8(mysql_stmt_error(statement)));
    for (int status; (status = mysql_stmt_fetch(statement)) == 0 || status == MYSQL_DATA_TRUNCATED;) {
        for (const Slot& slot : cells)
            bytes += slot.length;
        ++rows;
    }
    if (mysql_errno(mysql) != 0)
        fail(QString::fromUtf8(mysql_error(mysql)));
    mysql_stmt_close(statement);
    step.end(figures);
    mysql_close(mysql);
    figures["rows"] = double(rows);
    return report(figures);
}

int QtSqlModel(int& argc, char** argv, const Target& target, bool readValues)
{
    QCoreApplication application(argc, argv);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"));
    db.setHostName(target.host);
    db.setPort(3306);
    db.setUserName(QStringLiteral("root"));
    db.setPassword(target.password);
    db.setDatabaseName(target.database);
    if (!db.open())
        fail(db.lastError().text());
    Figures figures;
    QSqlQueryModel model;
    {
        const Step step;
        model.setQuery(selectAll(target), db);
        while (model.canFetchMore())
            model.fetchMore();
        step.end(figures);
    }
    if (model.lastError().isValid())
        fail(model.lastError().text());
    figures["rows"] = model.rowCount();
    if (!readValues)
        return report(figures);
    // What a reader of every value pays on top: a QVariant per value.
    const double start = MonotonicSeconds();
    qsizetype characters = 0;
    for (int row = 0; row < model.rowCount(); ++row)
        for (int column = 0; column < model.columnCount(); ++column)
            characters += model.data(model.index(row, column)).toString().size();
    figures["values_seconds"] = MonotonicSeconds() - start;
    figures["values_characters"] = double(characters);
    return report(figures);
}

int QueryOpen(const Target& target)
{
    TMyConnection connection;
    connection.Server = target.host;
    connection.Username = QStringLiteral("root");
    connection.Password = target.password;
    connection.Database = target.database;
    TMyQuery query(connection);
    query.SQL.append(selectAll(target));
    Figures figures;
    try {
        connection.Connect();
        const Step step;
        query.Open();
        step.end(figures);
    } catch (const std::exception& error) {
        fail(QString::fromLocal8Bit(error.what()));
    }
    figures["rows"] = double(query.Active() ? query.Result()->rowCount() : -1);
    return report(figures);
}

int TablePress(int& argc, char** argv, const Target& target, const QString& smallTable, bool jumps)
{
    TApplication application(argc, argv);
    QTimer errorWatch;
    failOnErrorBox(errorWatch);
    TForm1 form;
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        fail(QStringLiteral("the window was not shown"));
    form.hostname->setText(target.host);
    form.username->setText(QStringLiteral("root"));
    form.password->setText(target.password);
    QTest::mouseClick(form.Button2, Qt::LeftButton);
    clickName(form.db_list, target.database);

    PaintWatch watch(form.dbgrid->viewport());
    Figures figures;
    if (!smallTable.isEmpty())
        figures["small_seconds"] = timeToPaint(watch, [&] { clickName(form.table_list, smallTable); });
    {
        const Step step;
        timeToPaint(watch, [&] { clickName(form.table_list, target.table); });
        step.end(figures);
    }
    figures["rows"] = form.dbgrid->RowCount() - 1;
    if (jumps)
        measureJumps(form.dbgrid, watch, figures);
    return report(figures);
}
