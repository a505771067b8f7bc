#include "display_text.h"

#include <QDate>
#include <QLocale>
#include <QTime>
#include <algorithm>
#include <array>
#include <charconv>
#include <mysql.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kSignificantDigits = 15;
// Fixed notation for decimal exponents in [kFixedFrom, kFixedTo), scientific outside.
constexpr int kFixedFrom = -5;
constexpr int kFixedTo = 15;
constexpr unsigned kMaxFractionDigits = 6; // the server keeps microseconds

// ---- numbers ---------------------------------------------------------------------------------

// A number as its significant decimal digits: d1.d2d3... times ten to the exponent.
struct Decimal {
    bool negative = false;
    std::string digits; // no leading or trailing zeros; empty for zero
    int exponent = 0;
};

// Reads "[-]digits[.digits][e[+-]digits]": DECIMAL values as the server sends them, and the
// scientific text std::to_chars writes for binary floating point.
std::optional<Decimal> parseNumber(std::string_view text)
{
    Decimal n;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        n.negative = text[i++] == '-';
    std::string mantissa;
    int integerDigits = -1;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9')
            mantissa += c;
        else if (c == '.' && integerDigits < 0)
            integerDigits = int(mantissa.size());
        else
            break;
    }
    if (mantissa.empty())
        return std::nullopt;
    if (integerDigits < 0)
        integerDigits = int(mantissa.size());
    int exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && text[i] == '+')
            ++i;
        const auto [end, error] = std::from_chars(text.data() + i, text.data() + text.size(), exponent);
        if (error != std::errc())
            return std::nullopt;
        i = std::size_t(end - text.data());
    }
    if (i != text.size())
        return std::nullopt;

    const std::size_t first = mantissa.find_first_not_of('0');
    if (first == std::string::npos)
        return Decimal{}; // zero, whatever its sign
    n.digits = mantissa.substr(first);
    n.exponent = integerDigits - 1 - int(first) + exponent;
    return n;
}

// Rounds half away from zero to kSignificantDigits digits and drops trailing zeros, on the
// decimal digits themselves so that DECIMAL values never pass through binary floating point.
void roundToSignificant(Decimal& n)
{
    if (n.digits.size() > std::size_t(kSignificantDigits)) {
        const bool up = n.digits[kSignificantDigits] >= '5';
        n.digits.resize(kSignificantDigits);
        if (up) {
            int i = kSignificantDigits - 1;
            while (i >= 0 && n.digits[i] == '9')
                n.digits[i--] = '0';
            if (i >= 0) {
                ++n.digits[i];
            } else {
                n.digits.insert(n.digits.begin(), '1');
                n.digits.pop_back();
                ++n.exponent;
            }
        }
    }
    n.digits.erase(n.digits.find_last_not_of('0') + 1);
}

QString generalFormat(Decimal n, const QString& point)
{
    roundToSignificant(n);
    if (n.digits.empty())
        return QStringLiteral("0");
    const QString digits = QString::fromLatin1(n.digits.data(), qsizetype(n.digits.size()));
    QString out = n.negative ? QStringLiteral("-") : QString();
    if (n.exponent >= kFixedFrom && n.exponent < kFixedTo) {
        if (n.exponent < 0)
            return out + u'0' + point + QString(-n.exponent - 1, u'0') + digits;
        const qsizetype integerDigits = n.exponent + 1;
        out += digits.left(integerDigits);
        if (digits.size() < integerDigits)
            return out + QString(integerDigits - digits.size(), u'0');
        if (digits.size() > integerDigits)
            out += point + digits.mid(integerDigits);
        return out;
    }
    out += digits.front();
    if (digits.size() > 1)
        out += point + digits.mid(1);
    return out + u'E' + QString::number(n.exponent);
}

// Binary floating point: the shortest text that reads back as the same float (so a FLOAT 1.1
// shows "1.1"), or a double rounded to kSignificantDigits.
template <typename Real>
QString floatingText(Real value, const QString& point)
{
    std::array<char, 64> buffer{};
    const auto [end, error] = std::is_same_v<Real, float>
        ? std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::scientific)
        : std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::scientific,
                        kSignificantDigits - 1);
    Q_ASSERT(error == std::errc()); // the buffer holds any float or double
    const std::string_view text(buffer.data(), std::size_t(end - buffer.data()));
    if (const auto n = parseNumber(text))
        return generalFormat(*n, point);
    return QString::fromLatin1(text.data(), qsizetype(text.size())); // inf or nan: no digits to format
}

// ---- dates and times -------------------------------------------------------------------------

// Calls f(position, length, letter) for every run of one letter outside quoted text in a
// QLocale date or time format, from the last run to the first (so f may edit the format).
template <typename F>
void forEachFieldReversed(const QString& format, F f)
{
    struct Run { qsizetype at, length; QChar letter; };
    std::vector<Run> runs;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'\'') {
            quoted = !quoted;
        } else if (!quoted && c.isLetter()) {
            if (!runs.empty() && runs.back().letter == c && runs.back().at + runs.back().length == i)
                ++runs.back().length;
            else
                runs.push_back({i, 1, c});
        }
    }
    for (auto run = runs.rbegin(); run != runs.rend(); ++run)
        f(run->at, run->length, run->letter);
}

// A two-digit year would make 1925 and 2025 look alike.
QString withFullYear(QString format)
{
    forEachFieldReversed(format, [&](qsizetype at, qsizetype length, QChar letter) {
        if (letter == u'y' && length == 2)
            format.replace(at, length, QStringLiteral("yyyy"));
    });
    return format;
}

// A stored value has no time zone: drop the zone field and the blank that set it apart.
QString withoutZone(QString format)
{
    forEachFieldReversed(format, [&](qsizetype at, qsizetype length, QChar letter) {
        if (letter != u't')
            return;
        qsizetype from = at, to = at + length;
        if (from > 0 && format[from - 1].isSpace())
            --from;
        else if (to < format.size() && format[to].isSpace())
            ++to;
        format.remove(from, to - from);
    });
    return format.trimmed();
}

struct LocaleFormats {
    QLocale locale = QLocale::system();
    QString point = locale.decimalPoint();
    QString date = withFullYear(locale.dateFormat(QLocale::ShortFormat));
    QString time = withoutZone(locale.timeFormat(QLocale::LongFormat));
    // The time format split right after its seconds, where a fraction of a second goes.
    QString timeHead, timeTail;

    LocaleFormats()
    {
        qsizetype split = time.size();
        bool found = false;
        forEachFieldReversed(time, [&](qsizetype at, qsizetype length, QChar letter) {
            if (letter == u's' && !found) {
                split = at + length;
                found = true;
            }
        });
        timeHead = time.left(split);
        timeTail = time.mid(split);
    }
};

const LocaleFormats& formats()
{
    static const LocaleFormats f;
    return f;
}

QString fractionDigits(const TemporalValue& v, unsigned decimals)
{
    return QStringLiteral("%1").arg(v.microsecond, int(kMaxFractionDigits), 10, QChar(u'0')).left(decimals);
}

// The server's own text form, for values the locale's formats cannot express: a TIME beyond
// 24 hours or negative, a date with zero or impossible parts.
QString serverTime(const TemporalValue& v, unsigned decimals)
{
    QString out = QStringLiteral("%1%2:%3:%4")
                      .arg(v.negative ? QStringLiteral("-") : QString())
                      .arg(v.hour, 2, 10, QChar(u'0'))
                      .arg(v.minute, 2, 10, QChar(u'0'))
                      .arg(v.second, 2, 10, QChar(u'0'));
    if (decimals > 0)
        out += u'.' + fractionDigits(v, decimals);
    return out;
}

QString serverDate(const TemporalValue& v)
{
    return QStringLiteral("%1-%2-%3")
        .arg(v.year, 4, 10, QChar(u'0'))
        .arg(v.month, 2, 10, QChar(u'0'))
        .arg(v.day, 2, 10, QChar(u'0'));
}

QString timeText(const TemporalValue& v, unsigned decimals)
{
    const QTime time(v.hour, v.minute, v.second);
    if (v.negative || !time.isValid())
        return serverTime(v, decimals);
    const LocaleFormats& f = formats();
    if (decimals == 0)
        return f.locale.toString(time, f.time);
    return f.locale.toString(time, f.timeHead) + f.point + fractionDigits(v, decimals)
        + f.locale.toString(time, f.timeTail);
}

QString dateText(const TemporalValue& v, bool withTime, unsigned decimals)
{
    const QDate date(v.year, v.month, v.day);
    if (!date.isValid())
        return withTime ? serverDate(v) + u' ' + serverTime(v, decimals) : serverDate(v);
    const LocaleFormats& f = formats();
    const QString text = f.locale.toString(date, f.date);
    const bool midnight = v.hour == 0 && v.minute == 0 && v.second == 0 && v.microsecond == 0;
    return withTime && !midnight ? text + u' ' + timeText(v, decimals) : text;
}

// ---- the rest --------------------------------------------------------------------------------

bool isMemo(int type)
{
    return type == MYSQL_TYPE_TINY_BLOB || type == MYSQL_TYPE_MEDIUM_BLOB || type == MYSQL_TYPE_LONG_BLOB
        || type == MYSQL_TYPE_BLOB;
}

QByteArrayView prefix(QByteArrayView bytes, qsizetype maxBytes)
{
    if (maxBytes < 0 || bytes.size() <= maxBytes)
        return bytes;
    qsizetype cut = maxBytes;
    while (cut > 0 && (uchar(bytes[cut]) & 0xC0) == 0x80) // not inside a UTF-8 sequence
        --cut;
    return bytes.first(cut);
}

} // namespace

QString DisplayText(const ResultSet& result, qsizetype row, int column, MemoText memo, qsizetype maxBytes)
{
    if (result.isNull(row, column))
        return {};
    const FieldInfo& field = result.field(column);
    const ValueKind kind = result.kind(column);
    if (field.type == MYSQL_TYPE_TINY && field.length == 1) { // TINYINT(1): a truth value
        const bool truth = kind == ValueKind::Signed ? result.signedValue(row, column) != 0
                                                     : result.unsignedValue(row, column) != 0;
        return truth ? QStringLiteral("True") : QStringLiteral("False");
    }
    const unsigned decimals = std::min(field.decimals, kMaxFractionDigits);
    switch (kind) {
    case ValueKind::Signed:
        return QString::number(result.signedValue(row, column));
    case ValueKind::Unsigned:
        return QString::number(result.unsignedValue(row, column));
    case ValueKind::Float:
        return floatingText(result.floatValue(row, column), formats().point);
    case ValueKind::Double:
        return floatingText(result.doubleValue(row, column), formats().point);
    case ValueKind::Date:
        return dateText(result.temporalValue(row, column), false, decimals);
    case ValueKind::Time:
        return timeText(result.temporalValue(row, column), decimals);
    case ValueKind::DateTime:
        return dateText(result.temporalValue(row, column), true, decimals);
    case ValueKind::Bytes:
        break;
    }
    if (memo == MemoText::Placeholder && isMemo(field.type))
        return QStringLiteral("(MEMO)");
    const QByteArrayView bytes = result.bytesValue(row, column);
    if (field.type == MYSQL_TYPE_NEWDECIMAL || field.type == MYSQL_TYPE_DECIMAL) {
        if (const auto n = parseNumber(std::string_view(bytes.data(), std::size_t(bytes.size()))))
            return generalFormat(*n, formats().point);
    }
    return QString::fromUtf8(prefix(bytes, maxBytes));
}
