// The display text of every column type, read from a real table through a query into the result
// grid and a list, under a German system locale (decimal comma, two-digit years in its short
// date format, a time zone in its long time format).
#include <QApplication>
#include <QtTest>
#include <memory>
#include <string_view>

#include "bound_grid.h"

namespace {

struct Case {
    const char* type;
    const char* literal;       // as written in the insert
    std::u16string_view shown; // in the result grid; a list shows "(MEMO)" for TEXT and BLOB
    bool memo = false;
};

using namespace std::string_view_literals;

const Case kCases[] = {
    {"TINYINT(1)", "1", u"True"},
    {"TINYINT(1)", "0", u"False"},
    {"BOOLEAN", "7", u"True"},
    {"TINYINT(1) UNSIGNED", "2", u"True"},
    {"TINYINT", "-128", u"-128"},
    {"SMALLINT UNSIGNED", "65535", u"65535"},
    {"MEDIUMINT", "-8388608", u"-8388608"},
    {"INT", "2147483647", u"2147483647"},
    {"INT(5) ZEROFILL", "42", u"42"},
    {"BIGINT", "-9223372036854775808", u"-9223372036854775808"},
    {"BIGINT UNSIGNED", "18446744073709551615", u"18446744073709551615"},
    {"YEAR", "2024", u"2024"},
    {"BIT(10)", "b'1000000001'", u"513"},
    {"BIT(64)", "x'FFFFFFFFFFFFFFFF'", u"18446744073709551615"},
    {"FLOAT", "1.1", u"1,1"},
    {"FLOAT", "-3.4e38", u"-3,4E38"},
    {"DOUBLE", "0.1 + 0.2", u"0,3"},
    {"DOUBLE", "-2.5", u"-2,5"},
    {"DOUBLE", "0", u"0"},
    {"DOUBLE", "1.5e20", u"1,5E20"},
    {"DOUBLE", "1e-7", u"1E-7"},
    {"DOUBLE", "0.00001", u"0,00001"},
    {"DOUBLE", "123456789012345", u"123456789012345"},
    {"DOUBLE", "1234567890123456", u"1,23456789012346E15"},
    {"DOUBLE", "2e0 / 3", u"0,666666666666667"},
    {"DECIMAL(10,2)", "12.50", u"12,5"},
    {"DECIMAL(10,2)", "-0.05", u"-0,05"},
    {"DECIMAL(10,2)", "100", u"100"},
    {"DECIMAL(20,16)", "0.1234567890123456", u"0,123456789012346"},
    {"DECIMAL(30,20)", "0.99999999999999999", u"1"},
    {"DECIMAL(65,30)", "12345678901234567890.123456789", u"1,23456789012346E19"},
    {"DATE", "'2024-03-05'", u"05.03.2024"},
    {"DATE", "'1925-12-31'", u"31.12.1925"},
    {"DATE", "'0000-00-00'", u""},
    {"TIME", "'13:04:05'", u"13:04:05"},
    {"TIME", "'838:59:59'", u"838:59:59"},
    {"TIME", "'-01:00:00'", u"-01:00:00"},
    {"TIME(3)", "'13:04:05.12'", u"13:04:05,120"},
    {"DATETIME", "'2024-03-05 00:00:00'", u"05.03.2024"},
    {"DATETIME", "'2024-03-05 13:04:05'", u"05.03.2024 13:04:05"},
    {"DATETIME", "'0000-00-00 00:00:00'", u""},
    {"DATETIME(6)", "'2024-03-05 00:00:00.5'", u"05.03.2024 00:00:00,500000"},
    {"TIMESTAMP", "'2024-03-05 13:04:05'", u"05.03.2024 13:04:05"},
    {"TIMESTAMP", "'0000-00-00 00:00:00'", u""},
    {"CHAR(5)", "'abc'", u"abc"},
    {"VARCHAR(20) CHARACTER SET utf8mb4", "'한글 text'", u"한글 text"},
    {"ENUM('x','y')", "'y'", u"y"},
    {"SET('a','b')", "'a,b'", u"a,b"},
    {"BINARY(3)", "'ab'", u"ab\0"sv},
    {"VARBINARY(10)", "x'41FF42'", u"A\uFFFDB"},
    {"TEXT", "'line 1\\nline 2'", u"line 1\nline 2", true},
    {"MEDIUMTEXT CHARACTER SET utf8mb4", "'메모'", u"메모", true},
    {"BLOB", "x'41FF'", u"A\uFFFD", true},
    {"LONGBLOB", "x'C3'", u"\uFFFD", true},
};
constexpr int kCaseCount = int(std::size(kCases));

QString column(int i) { return QStringLiteral("c%1").arg(i); }

} // namespace

class DisplayTextTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStringList columns, values, nulls;
        for (int i = 0; i < kCaseCount; ++i) {
            columns << column(i) + u' ' + QString::fromUtf8(kCases[i].type);
            values << QString::fromUtf8(kCases[i].literal);
            nulls << QStringLiteral("NULL");
        }
        test_server::exec(QStringLiteral("create database if not exists grid_test"));
        // Zero dates need a session that lets them in.
        test_server::exec(QStringLiteral("set session sql_mode = ''; "
                                         "create or replace table grid_test.shown (%1); "
                                         "insert into grid_test.shown values (%2), (%3); "
                                         "create or replace table grid_test.long_value (t longtext); "
                                         "insert into grid_test.long_value values (repeat('ab', 100000))")
                              .arg(columns.join(u','), values.join(u','), nulls.join(u',')));
        for (auto* bound : {&grid, &list})
            (*bound)->open(QStringLiteral("select * from shown"));
    }

    void cells_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < kCaseCount; ++i)
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(kCases[i].type, kCases[i].literal))) << i;
    }

    void cells()
    {
        QFETCH(int, index);
        const Case& c = kCases[index];
        const QString shown = QString::fromUtf16(c.shown.data(), qsizetype(c.shown.size()));
        const int col = index + 1;
        QCOMPARE(grid->grid.Cells(col, 0), column(index));
        QCOMPARE(grid->grid.Cells(col, 1), shown);
        QCOMPARE(list->grid.Cells(col, 1), c.memo ? QStringLiteral("(MEMO)") : shown);
        // NULL is empty everywhere, a TEXT or BLOB in a list included.
        QCOMPARE(grid->grid.Cells(col, 2), QString());
        QCOMPARE(list->grid.Cells(col, 2), QString());
    }

    // A cell's text is the whole value, however much of it a cell can show.
    void longValueIsWhole()
    {
        BoundGrid bound(kResultGrid, QStringLiteral("grid_test"));
        bound.open(QStringLiteral("select t from long_value"));
        QCOMPARE(bound.grid.CurrentCellText(), QStringLiteral("ab").repeated(100000));
    }

private:
    std::unique_ptr<BoundGrid> grid = std::make_unique<BoundGrid>(kResultGrid, QStringLiteral("grid_test"));
    std::unique_ptr<BoundGrid> list = std::make_unique<BoundGrid>(kTableList, QStringLiteral("grid_test"));
};

int main(int argc, char** argv)
{
    // Qt reads the system locale from the environment once, at first use.
    qputenv("LC_ALL", "de_DE");
    QApplication app(argc, argv);
    DisplayTextTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "display_text_test.moc"
