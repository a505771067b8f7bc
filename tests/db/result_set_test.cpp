#include <gtest/gtest.h>

#include <mysql.h>

#include <QByteArray>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "raises.h"
#include "result_set.h"

namespace {

FieldInfo field(int type, unsigned flags = 0)
{
    FieldInfo f;
    f.name = QStringLiteral("c");
    f.type = type;
    f.flags = flags;
    return f;
}

// A one-column result holding the given text-protocol values (nullptr for NULL).
std::unique_ptr<ResultSet> fromText(const FieldInfo& column, const std::vector<QByteArray*>& values)
{
    auto result = std::make_unique<ResultSet>(std::vector<FieldInfo>{column});
    for (QByteArray* value : values) {
        const char* cell = value ? value->constData() : nullptr;
        const unsigned long length = value ? static_cast<unsigned long>(value->size()) : 0;
        result->appendTextRow(&cell, &length);
    }
    result->finish();
    return result;
}

QString temporalText(const TemporalValue& t)
{
    return QString::asprintf("%s%04d-%02d-%02d %02d:%02d:%02d.%06d", t.negative ? "-" : "", t.year, t.month,
                             t.day, t.hour, t.minute, t.second, t.microsecond);
}

TEST(ResultSet, KindFollowsTheFieldType)
{
    EXPECT_EQ(KindOf(field(MYSQL_TYPE_TINY)), ValueKind::Signed);
    EXPECT_EQ(KindOf(field(MYSQL_TYPE_LONGLONG, UNSIGNED_FLAG)), ValueKind::Unsigned);
    EXPECT_EQ(KindOf(field(MYSQL_TYPE_YEAR, UNSIGNED_FLAG | ZEROFILL_FLAG)), ValueKind::Signed);
    EXPECT_EQ(KindOf(field(MYSQL_TYPE_BIT, UNSIGNED_FLAG)), ValueKind::Unsigned);
    EXPECT_EQ(KindOf(field(MYSQL_TYPE_FLOAT)), ValueKind::Float);
    EXPECT_EQ(KindOf(field(MYSQL_TYPE_DOUBLE)), ValueKind::Double);
    EXPECT_EQ(KindOf(field(MYSQL_TYPE_NEWDECIMAL)), ValueKind::Bytes);
    EXPECT_EQ(KindOf(field(MYSQL_TYPE_DATE)), ValueKind::Date);
    EXPECT_EQ(KindOf(field(MYSQL_TYPE_TIME)), ValueKind::Time);
    EXPECT_EQ(KindOf(field(MYSQL_TYPE_TIMESTAMP)), ValueKind::DateTime);
    EXPECT_EQ(KindOf(field(MYSQL_TYPE_DATETIME)), ValueKind::DateTime);
    EXPECT_EQ(KindOf(field(MYSQL_TYPE_BLOB)), ValueKind::Bytes);
    EXPECT_EQ(KindOf(field(MYSQL_TYPE_NULL)), ValueKind::Bytes);
}

// Every integer width holds its type's whole range, read back from text.
TEST(ResultSet, IntegersKeepTheirRangeInTheirNativeWidth)
{
    struct Case {
        int type;
        unsigned flags;
        QByteArray low, high;
    };
    const Case cases[] = {
        {MYSQL_TYPE_TINY, 0, "-128", "127"},
        {MYSQL_TYPE_TINY, UNSIGNED_FLAG, "0", "255"},
        {MYSQL_TYPE_SHORT, 0, "-32768", "32767"},
        {MYSQL_TYPE_SHORT, UNSIGNED_FLAG, "0", "65535"},
        {MYSQL_TYPE_INT24, 0, "-8388608", "8388607"},
        {MYSQL_TYPE_INT24, UNSIGNED_FLAG, "0", "16777215"},
        {MYSQL_TYPE_LONG, 0, "-2147483648", "2147483647"},
        {MYSQL_TYPE_LONG, UNSIGNED_FLAG, "0", "4294967295"},
        {MYSQL_TYPE_LONGLONG, 0, "-9223372036854775808", "9223372036854775807"},
        {MYSQL_TYPE_LONGLONG, UNSIGNED_FLAG, "0", "18446744073709551615"},
        {MYSQL_TYPE_YEAR, UNSIGNED_FLAG | ZEROFILL_FLAG, "0000", "2155"},
    };
    for (Case c : cases) {
        const FieldInfo f = field(c.type, c.flags);
        const auto result = fromText(f, {&c.low, nullptr, &c.high});
        ASSERT_EQ(result->rowCount(), 3);
        EXPECT_TRUE(result->isNull(1, 0));
        EXPECT_FALSE(result->isNull(2, 0));
        if (result->kind(0) == ValueKind::Signed) {
            EXPECT_EQ(result->signedValue(0, 0), c.low.toLongLong()) << c.low.constData();
            EXPECT_EQ(result->signedValue(2, 0), c.high.toLongLong()) << c.high.constData();
        } else {
            EXPECT_EQ(result->unsignedValue(0, 0), c.low.toULongLong()) << c.low.constData();
            EXPECT_EQ(result->unsignedValue(2, 0), c.high.toULongLong()) << c.high.constData();
        }
    }
}

TEST(ResultSet, ReadsFloatsBitsAndDecimalsAsTheyCame)
{
    QByteArray oneDotOne = "1.1", tiny = "-2.5e-300", bits = QByteArray::fromHex("0aaa"),
               wide = QByteArray::fromHex("8000000000000001"), decimal = "-12345678.90";
    const auto floats = fromText(field(MYSQL_TYPE_FLOAT), {&oneDotOne});
    EXPECT_EQ(floats->floatValue(0, 0), 1.1f);
    const auto doubles = fromText(field(MYSQL_TYPE_DOUBLE), {&tiny});
    EXPECT_EQ(doubles->doubleValue(0, 0), -2.5e-300);
    const auto bit = fromText(field(MYSQL_TYPE_BIT, UNSIGNED_FLAG), {&bits, &wide});
    EXPECT_EQ(bit->unsignedValue(0, 0), 0xaaau);
    EXPECT_EQ(bit->unsignedValue(1, 0), 0x8000000000000001u);
    const auto decimals = fromText(field(MYSQL_TYPE_NEWDECIMAL), {&decimal});
    EXPECT_EQ(decimals->bytesValue(0, 0), "-12345678.90");
}

TEST(ResultSet, ReadsDatesAndTimesAndHoldsZeroDatesAsNull)
{
    struct Case {
        int type;
        QByteArray text;
        QString value; // empty: NULL
    };
    const Case cases[] = {
        {MYSQL_TYPE_DATE, "2024-02-29", "2024-02-29 00:00:00.000000"},
        {MYSQL_TYPE_DATE, "0000-00-00", ""},
        {MYSQL_TYPE_DATE, "2024-00-00", "2024-00-00 00:00:00.000000"},
        {MYSQL_TYPE_DATETIME, "9999-12-31 23:59:59", "9999-12-31 23:59:59.000000"},
        {MYSQL_TYPE_DATETIME, "2024-01-02 03:04:05.123", "2024-01-02 03:04:05.123000"},
        {MYSQL_TYPE_DATETIME, "0000-00-00 00:00:00", ""},
        {MYSQL_TYPE_TIMESTAMP, "1970-01-01 00:00:01.999999", "1970-01-01 00:00:01.999999"},
        {MYSQL_TYPE_TIME, "838:59:59", "0000-00-00 838:59:59.000000"},
        {MYSQL_TYPE_TIME, "-838:59:59.000000", "-0000-00-00 838:59:59.000000"},
        {MYSQL_TYPE_TIME, "-00:00:00.5", "-0000-00-00 00:00:00.500000"},
        {MYSQL_TYPE_TIME, "00:00:00", "0000-00-00 00:00:00.000000"},
    };
    for (Case c : cases) {
        const auto result = fromText(field(c.type), {&c.text});
        if (c.value.isEmpty())
            EXPECT_TRUE(result->isNull(0, 0)) << c.text.constData();
        else
            EXPECT_EQ(temporalText(result->temporalValue(0, 0)), c.value) << c.text.constData();
    }
}

TEST(ResultSet, RefusesValuesThatDoNotReadAsTheirType)
{
    struct Case {
        int type;
        QByteArray text;
    };
    const Case cases[] = {
        {MYSQL_TYPE_LONG, "12x"},       {MYSQL_TYPE_LONG, ""},
        {MYSQL_TYPE_TINY, "300"},       {MYSQL_TYPE_DOUBLE, "1.5.2"},
        {MYSQL_TYPE_DATE, "2024-13-01"}, {MYSQL_TYPE_DATETIME, "2024-01-01"},
        {MYSQL_TYPE_TIME, "839:00:00"}, {MYSQL_TYPE_TIME, "10:00:00.1234567"},
        {MYSQL_TYPE_BIT, "123456789"},
    };
    for (Case c : cases) {
        const QString message = raised([&] { fromText(field(c.type), {&c.text}); });
        EXPECT_TRUE(message.startsWith("Malformed reply from the server")) << c.text.constData() << ": "
                                                                            << message.toStdString();
    }
}

// Values of every size, empty ones and NULLs among them, come back whole across block ends; one
// too big for a block gets a block of its own.
TEST(ResultSet, KeepsVariableLengthValuesBackToBack)
{
    ResultSet result({field(MYSQL_TYPE_BLOB), field(MYSQL_TYPE_LONG)});
    std::vector<QByteArray> values;
    for (int row = 0; row < 6000; ++row) {
        if (row == 3000)
            values.push_back(QByteArray(5 << 20, 'z'));
        else if (row == 3998 || row == 3999) // the most a shared segment holds, and one more
            values.push_back(QByteArray(65535 + row - 3998, char('A' + row % 26)));
        else if (row % 7 == 3)
            values.push_back(QByteArray()); // NULL or empty, alternately
        else
            values.push_back(QByteArray(row % 2500, char('a' + row % 26)));
    }
    for (int row = 0; row < int(values.size()); ++row) {
        if (row % 14 == 3)
            result.appendNull(0);
        else
            result.appendBytes(0, values[std::size_t(row)]);
        result.appendSigned(1, row);
        result.endRow();
    }
    result.finish();
    ASSERT_EQ(result.rowCount(), qsizetype(values.size()));
    for (int row = 0; row < int(values.size()); ++row) {
        ASSERT_EQ(result.isNull(row, 0), row % 14 == 3) << row;
        ASSERT_EQ(result.bytesValue(row, 0), values[std::size_t(row)]) << row;
        ASSERT_EQ(result.signedValue(row, 1), row);
    }
}

TEST(ResultSet, TypedAppendsFillTheSameStore)
{
    ResultSet result({field(MYSQL_TYPE_SHORT), field(MYSQL_TYPE_FLOAT), field(MYSQL_TYPE_DATETIME),
                      field(MYSQL_TYPE_TIME), field(MYSQL_TYPE_DATE)});
    TemporalValue moment{2001, 2, 3, 4, 5, 6, 7, false};
    TemporalValue duration{0, 0, 0, 100, 0, 1, 999999, true};
    result.appendSigned(0, -2);
    result.appendFloat(1, std::numeric_limits<float>::max());
    result.appendTemporal(2, moment);
    result.appendTemporal(3, duration);
    result.appendTemporal(4, TemporalValue{});
    result.endRow();
    EXPECT_EQ(result.signedValue(0, 0), -2);
    EXPECT_EQ(result.floatValue(0, 1), std::numeric_limits<float>::max());
    EXPECT_EQ(temporalText(result.temporalValue(0, 2)), "2001-02-03 04:05:06.000007");
    EXPECT_EQ(temporalText(result.temporalValue(0, 3)), "-0000-00-00 100:00:01.999999");
    EXPECT_TRUE(result.isNull(0, 4));
}

} // namespace
