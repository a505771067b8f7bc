#include "result_set.h"

#include <mysql.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "db_error.h"

namespace {

// Room for one column's values. Small buffers live on the heap. Bigger ones are mapped on their
// own, so that the room a grown buffer leaves goes back to the system at once (freed to the heap,
// it would stay with the process); from 2 MB on they are aligned to the kernel's huge pages and
// advised to use them: filling a million-row result in 4 KB pages takes tens of thousands of page
// faults, which cost more than reading its rows. Only the pages written to take memory.
class Buffer {
public:
    Buffer() = default;
    Buffer(Buffer&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0)), mapped_(other.mapped_) {}
    Buffer& operator=(Buffer&&) = delete;
    ~Buffer() { release(); }

    char* data() { return data_; }
    const char* data() const { return data_; }
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }

    // n more bytes at the end, not initialised.
    char* extend(std::size_t n)
    {
        if (capacity_ - size_ < n)
            reserve(std::max({size_ + n, capacity_ * 2, std::size_t(256)}));
        char* end = data_ + size_;
        size_ += n;
        return end;
    }
    void reserve(std::size_t capacity)
    {
        if (capacity <= capacity_)
            return;
        if (capacity < kMapped) {
            void* grown = std::realloc(data_, capacity);
            if (!grown)
                throw std::bad_alloc();
            data_ = static_cast<char*>(grown);
            capacity_ = capacity;
            return;
        }
        capacity = roundUp(capacity, capacity < kHugePage ? pageSize() : kHugePage);
        if (mapped_) {
            // The kernel moves the pages over: nothing is copied or touched again.
            void* grown = mremap(data_, capacity_, capacity, MREMAP_MAYMOVE);
            if (grown == MAP_FAILED)
                throw std::bad_alloc();
            data_ = static_cast<char*>(grown);
            capacity_ = capacity;
            if (capacity >= kHugePage)
                madvise(data_, capacity_, MADV_HUGEPAGE);
            return;
        }
        char* fresh = map(capacity);
        if (size_ > 0)
            std::memcpy(fresh, data_, size_);
        std::free(data_);
        data_ = fresh;
        capacity_ = capacity;
        mapped_ = true;
    }
    // Gives back the room after the last byte.
    void shrink()
    {
        if (size_ == capacity_ || size_ == 0)
            return;
        if (mapped_) {
            const std::size_t kept = roundUp(size_, pageSize());
            if (kept < capacity_) {
                munmap(data_ + kept, capacity_ - kept);
                capacity_ = kept;
            }
        } else if (void* shrunk = std::realloc(data_, size_)) {
            data_ = static_cast<char*>(shrunk);
            capacity_ = size_;
        }
    }

private:
    static constexpr std::size_t kMapped = std::size_t(64) << 10;
    static constexpr std::size_t kHugePage = std::size_t(2) << 20;

    static std::size_t roundUp(std::size_t n, std::size_t unit) { return (n + unit - 1) / unit * unit; }
    static std::size_t pageSize() { return std::size_t(sysconf(_SC_PAGESIZE)); }

    static char* map(std::size_t bytes)
    {
        const bool huge = bytes >= kHugePage;
        // For huge pages, map one more and unmap what lies before and after the aligned part.
        const std::size_t slack = huge ? kHugePage : 0;
        void* area = mmap(nullptr, bytes + slack, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (area == MAP_FAILED)
            throw std::bad_alloc();
        char* start = static_cast<char*>(area);
        if (!huge)
            return start;
        char* aligned = reinterpret_cast<char*>(roundUp(reinterpret_cast<std::uintptr_t>(start), kHugePage));
        if (aligned > start)
            munmap(start, std::size_t(aligned - start));
        if (start + slack > aligned)
            munmap(aligned + bytes, std::size_t(start + slack - aligned));
        madvise(aligned, bytes, MADV_HUGEPAGE);
        return aligned;
    }

    void release()
    {
        if (mapped_)
            munmap(data_, capacity_);
        else
            std::free(data_);
    }

    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    bool mapped_ = false;
};

// Variable-length values go back to back into arenas: a column's first one small and growing, the
// others of kArenaBytes (a bigger value gets one of its own size). An arena's bytes are cut into
// segments of at most kSegmentBytes, so that a cell needs no more than a 16-bit offset to the end
// of its value in its segment; a longer value is a segment of its own.
constexpr std::size_t kArenaBytes = std::size_t(4) << 20;
constexpr std::size_t kFirstArenaBytes = 1024;
constexpr std::size_t kSegmentBytes = 0xFFFF;

// Native sizes: a DATE as (year * 16 + month) * 32 + day in 32 bits; a DATETIME as that date
// followed by hour (5 bits), minute (6), second (6) and microsecond (20) in 64 bits; a TIME as
// its signed count of microseconds.
constexpr int kMicroBits = 20, kSecondBits = 6, kMinuteBits = 6, kHourBits = 5;

qint32 packDate(const TemporalValue& t) { return (t.year * 16 + t.month) * 32 + t.day; }

void unpackDate(qint64 date, TemporalValue& t)
{
    t.day = int(date % 32);
    t.month = int(date / 32 % 16);
    t.year = int(date / 512);
}

qint64 packDateTime(const TemporalValue& t)
{
    qint64 v = packDate(t);
    v = (v << kHourBits) | t.hour;
    v = (v << kMinuteBits) | t.minute;
    v = (v << kSecondBits) | t.second;
    return (v << kMicroBits) | t.microsecond;
}

TemporalValue unpackDateTime(qint64 v)
{
    TemporalValue t;
    t.microsecond = int(v & ((1 << kMicroBits) - 1));
    v >>= kMicroBits;
    t.second = int(v & ((1 << kSecondBits) - 1));
    v >>= kSecondBits;
    t.minute = int(v & ((1 << kMinuteBits) - 1));
    v >>= kMinuteBits;
    t.hour = int(v & ((1 << kHourBits) - 1));
    unpackDate(v >> kHourBits, t);
    return t;
}

qint64 packTime(const TemporalValue& t)
{
    const qint64 micro =
        ((qint64(t.hour) * 60 + t.minute) * 60 + t.second) * 1000000 + t.microsecond;
    return t.negative ? -micro : micro;
}

TemporalValue unpackTime(qint64 v)
{
    TemporalValue t;
    t.negative = v < 0;
    quint64 micro = t.negative ? quint64(-v) : quint64(v);
    t.microsecond = int(micro % 1000000);
    micro /= 1000000;
    t.second = int(micro % 60);
    t.minute = int(micro / 60 % 60);
    t.hour = int(micro / 3600);
    return t;
}

bool isZeroDate(const TemporalValue& t) { return t.year == 0 && t.month == 0 && t.day == 0; }

unsigned widthOf(const FieldInfo& field, ValueKind kind)
{
    switch (kind) {
    case ValueKind::Signed:
    case ValueKind::Unsigned:
        switch (field.type) {
        case MYSQL_TYPE_TINY: return 1;
        case MYSQL_TYPE_SHORT:
        case MYSQL_TYPE_YEAR: return 2;
        case MYSQL_TYPE_INT24:
        case MYSQL_TYPE_LONG: return 4;
        default: return 8; // BIGINT, BIT
        }
    case ValueKind::Bytes: return 2; // a Bytes cell holds its value's end offset in its segment
    case ValueKind::Float:
    case ValueKind::Date: return 4;
    case ValueKind::Double:
    case ValueKind::Time:
    case ValueKind::DateTime: return 8;
    }
    return 8;
}

// --- the text protocol's forms: "2024-01-31", "23:59:59.5", "-838:59:59", "2024-01-31 23:59:59"

class TextReader {
public:
    TextReader(const char* text, unsigned long length) : p_(text), end_(text + length) {}

    bool atEnd() const { return p_ == end_; }
    bool skip(char c)
    {
        if (p_ == end_ || *p_ != c)
            return false;
        ++p_;
        return true;
    }
    bool number(int& out, int max)
    {
        const char* start = p_;
        qint64 v = 0;
        while (p_ != end_ && *p_ >= '0' && *p_ <= '9' && v <= max)
            v = v * 10 + (*p_++ - '0');
        out = int(v);
        return p_ != start && v <= max;
    }
    bool date(TemporalValue& t)
    {
        return number(t.year, 9999) && skip('-') && number(t.month, 12) && skip('-')
            && number(t.day, 31);
    }
    // hh:mm:ss with an optional fraction of up to six digits.
    bool clock(TemporalValue& t, int maxHour)
    {
        if (!(number(t.hour, maxHour) && skip(':') && number(t.minute, 59) && skip(':')
              && number(t.second, 59)))
            return false;
        if (!skip('.'))
            return true;
        int digits = 0;
        t.microsecond = 0;
        for (; p_ != end_ && *p_ >= '0' && *p_ <= '9'; ++p_, ++digits) {
            if (digits == 6)
                return false;
            t.microsecond = t.microsecond * 10 + (*p_ - '0');
        }
        for (int d = digits; d < 6; ++d)
            t.microsecond *= 10;
        return digits > 0;
    }

private:
    const char* p_;
    const char* end_;
};

template <typename T>
bool parseNumber(const char* text, unsigned long length, T& value)
{
    const auto [end, error] = std::from_chars(text, text + length, value);
    return error == std::errc() && end == text + length;
}

} // namespace

ValueKind KindOf(const FieldInfo& field)
{
    switch (field.type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_LONGLONG:
        return field.flags & UNSIGNED_FLAG ? ValueKind::Unsigned : ValueKind::Signed;
    case MYSQL_TYPE_YEAR: return ValueKind::Signed;
    case MYSQL_TYPE_BIT: return ValueKind::Unsigned;
    case MYSQL_TYPE_FLOAT: return ValueKind::Float;
    case MYSQL_TYPE_DOUBLE: return ValueKind::Double;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE: return ValueKind::Date;
    case MYSQL_TYPE_TIME:
    case MYSQL_TYPE_TIME2: return ValueKind::Time;
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_DATETIME2:
    case MYSQL_TYPE_TIMESTAMP:
    case MYSQL_TYPE_TIMESTAMP2: return ValueKind::DateTime;
    default: return ValueKind::Bytes;
    }
}

struct ResultSet::Column {
    struct Segment {
        qsizetype firstRow = 0;
        quint32 arena = 0;  // index in `arenas`
        quint32 offset = 0; // where it starts in its arena
        quint32 length = 0; // bytes so far; more than kSegmentBytes for a long value's own segment
    };

    explicit Column(FieldInfo info) : field(std::move(info)), kind(KindOf(field)), width(widthOf(field, kind)) {}

    FieldInfo field;
    ValueKind kind;
    unsigned width;            // bytes per cell in `cells`
    Buffer cells;                  // the fixed-size values, or a Bytes value's end in its segment
    Buffer nulls;                  // one bit per row, only as far as the last NULL
    std::vector<Buffer> arenas;    // Bytes only: the values, back to back
    std::vector<Segment> segments; // Bytes only

    const char* cell(qsizetype row) const { return cells.data() + std::size_t(row) * width; }
    quint16 end(qsizetype row) const { return fixed<quint16>(row); }
    template <typename T>
    T fixed(qsizetype row) const
    {
        T v;
        std::memcpy(&v, cell(row), sizeof v);
        return v;
    }
    template <typename T>
    void put(T v)
    {
        std::memcpy(cells.extend(sizeof v), &v, sizeof v);
    }
};

ResultSet::ResultSet(std::vector<FieldInfo> fields)
{
    columns_.reserve(fields.size());
    for (FieldInfo& field : fields)
        columns_.emplace_back(std::move(field));
}

ResultSet::~ResultSet() = default;

const ResultSet::Column& ResultSet::column(int index) const { return columns_[std::size_t(index)]; }
ResultSet::Column& ResultSet::column(int index) { return columns_[std::size_t(index)]; }

int ResultSet::columnCount() const { return int(columns_.size()); }
qsizetype ResultSet::rowCount() const { return rows_; }
const FieldInfo& ResultSet::field(int c) const { return column(c).field; }
ValueKind ResultSet::kind(int c) const { return column(c).kind; }

bool ResultSet::isNull(qsizetype row, int c) const
{
    const Buffer& nulls = column(c).nulls;
    const std::size_t byte = std::size_t(row) / 8;
    return byte < nulls.size() && (uchar(nulls.data()[byte]) >> (row % 8) & 1);
}

qint64 ResultSet::signedValue(qsizetype row, int c) const
{
    const Column& col = column(c);
    switch (col.width) {
    case 1: return col.fixed<qint8>(row);
    case 2: return col.fixed<qint16>(row);
    case 4: return col.fixed<qint32>(row);
    default: return col.fixed<qint64>(row);
    }
}

quint64 ResultSet::unsignedValue(qsizetype row, int c) const
{
    const Column& col = column(c);
    switch (col.width) {
    case 1: return col.fixed<quint8>(row);
    case 2: return col.fixed<quint16>(row);
    case 4: return col.fixed<quint32>(row);
    default: return col.fixed<quint64>(row);
    }
}

float ResultSet::floatValue(qsizetype row, int c) const { return column(c).fixed<float>(row); }
double ResultSet::doubleValue(qsizetype row, int c) const { return column(c).fixed<double>(row); }

TemporalValue ResultSet::temporalValue(qsizetype row, int c) const
{
    const Column& col = column(c);
    switch (col.kind) {
    case ValueKind::Date: {
        TemporalValue t;
        unpackDate(col.fixed<qint32>(row), t);
        return t;
    }
    case ValueKind::Time: return unpackTime(col.fixed<qint64>(row));
    default: return unpackDateTime(col.fixed<qint64>(row));
    }
}

QByteArrayView ResultSet::bytesValue(qsizetype row, int c) const
{
    const Column& col = column(c);
    // The segment holding the row is the last one that starts at or before it.
    const auto next = std::upper_bound(col.segments.begin(), col.segments.end(), row,
        [](qsizetype r, const Column::Segment& s) { return r < s.firstRow; });
    if (next == col.segments.begin())
        return {};
    const Column::Segment& segment = *(next - 1);
    const char* base = col.arenas[segment.arena].data() + segment.offset;
    if (segment.length > kSegmentBytes) // one long value; the empty ones after it hold nothing
        return row == segment.firstRow ? QByteArrayView(base, qsizetype(segment.length)) : QByteArrayView();
    const quint16 start = row > segment.firstRow ? col.end(row - 1) : 0;
    return QByteArrayView(base + start, qsizetype(col.end(row) - start));
}

void ResultSet::appendNull(int c)
{
    Column& col = column(c);
    const std::size_t byte = std::size_t(rows_) / 8;
    if (col.nulls.size() <= byte) {
        const std::size_t missing = byte + 1 - col.nulls.size();
        std::memset(col.nulls.extend(missing), 0, missing);
    }
    col.nulls.data()[byte] = char(uchar(col.nulls.data()[byte]) | (1u << (rows_ % 8)));
    if (col.kind == ValueKind::Bytes)
        appendBytes(c, {});
    else
        std::memset(col.cells.extend(col.width), 0, col.width);
}

void ResultSet::appendSigned(int c, qint64 value)
{
    Column& col = column(c);
    switch (col.width) {
    case 1: col.put(qint8(value)); break;
    case 2: col.put(qint16(value)); break;
    case 4: col.put(qint32(value)); break;
    default: col.put(value); break;
    }
}

void ResultSet::appendUnsigned(int c, quint64 value)
{
    Column& col = column(c);
    switch (col.width) {
    case 1: col.put(quint8(value)); break;
    case 2: col.put(quint16(value)); break;
    case 4: col.put(quint32(value)); break;
    default: col.put(value); break;
    }
}

void ResultSet::appendFloat(int c, float value) { column(c).put(value); }
void ResultSet::appendDouble(int c, double value) { column(c).put(value); }

void ResultSet::appendTemporal(int c, const TemporalValue& value)
{
    Column& col = column(c);
    switch (col.kind) {
    case ValueKind::Time: col.put(packTime(value)); break;
    case ValueKind::Date:
        if (isZeroDate(value))
            appendNull(c);
        else
            col.put(packDate(value));
        break;
    default:
        if (isZeroDate(value))
            appendNull(c);
        else
            col.put(packDateTime(value));
        break;
    }
}

void ResultSet::appendBytes(int c, QByteArrayView value)
{
    if (char* room = appendBytesRoom(c, std::size_t(value.size())))
        std::memcpy(room, value.data(), std::size_t(value.size()));
}

char* ResultSet::appendBytesRoom(int c, std::size_t length)
{
    Column& col = column(c);
    if (length > std::numeric_limits<quint32>::max())
        throw EDatabaseError(QStringLiteral("A value of column '%1' is too large to hold").arg(col.field.name));
    Column::Segment* segment = col.segments.empty() ? nullptr : &col.segments.back();
    char* room = nullptr;
    if (length > 0) {
        Buffer* arena = col.arenas.empty() ? nullptr : &col.arenas.back();
        const bool arenaHasRoom = arena && arena->size() + length <= std::max(kArenaBytes, arena->capacity());
        if (!arenaHasRoom || segment->length + length > kSegmentBytes) {
            if (!arenaHasRoom) {
                // Full: keep it at its size and go on in a new one, a full-size one unless this is
                // the column's first.
                if (arena)
                    arena->shrink();
                arena = &col.arenas.emplace_back();
                arena->reserve(std::max(col.arenas.size() > 1 ? kArenaBytes : kFirstArenaBytes, length));
            }
            segment = &col.segments.emplace_back(Column::Segment{
                rows_, quint32(col.arenas.size() - 1), quint32(arena->size()), 0});
        }
        // Only a column's first arena grows: the others are made at their full size.
        if (arena->capacity() < arena->size() + length)
            arena->reserve(std::min(kArenaBytes, std::max(arena->capacity() * 2, arena->size() + length)));
        room = arena->extend(length);
        segment->length += quint32(length);
    }
    col.put(quint16(segment && segment->length <= kSegmentBytes ? segment->length : 0));
    return room;
}

void ResultSet::appendText(int c, const char* text, unsigned long length)
{
    Column& col = column(c);
    bool ok = true;
    switch (col.kind) {
    case ValueKind::Signed: {
        qint64 v;
        const int bits = int(col.width) * 8;
        ok = parseNumber(text, length, v) && (bits == 64 || (v >= -(qint64(1) << (bits - 1)) && v < (qint64(1) << (bits - 1))));
        if (ok)
            appendSigned(c, v);
        break;
    }
    case ValueKind::Unsigned:
        if (col.field.type == MYSQL_TYPE_BIT) {
            // BIT arrives as its bytes, most significant first.
            ok = length <= 8;
            quint64 v = 0;
            for (unsigned long i = 0; ok && i < length; ++i)
                v = v << 8 | uchar(text[i]);
            if (ok)
                appendUnsigned(c, v);
        } else {
            quint64 v;
            const int bits = int(col.width) * 8;
            ok = parseNumber(text, length, v) && (bits == 64 || v < (quint64(1) << bits));
            if (ok)
                appendUnsigned(c, v);
        }
        break;
    case ValueKind::Float: {
        float v;
        ok = parseNumber(text, length, v);
        if (ok)
            appendFloat(c, v);
        break;
    }
    case ValueKind::Double: {
        double v;
        ok = parseNumber(text, length, v);
        if (ok)
            appendDouble(c, v);
        break;
    }
    case ValueKind::Date:
    case ValueKind::Time:
    case ValueKind::DateTime: {
        TextReader reader(text, length);
        TemporalValue t;
        if (col.kind == ValueKind::Date) {
            ok = reader.date(t);
        } else if (col.kind == ValueKind::Time) {
            t.negative = reader.skip('-');
            ok = reader.clock(t, 838);
        } else {
            ok = reader.date(t) && reader.skip(' ') && reader.clock(t, 23);
        }
        ok = ok && reader.atEnd();
        if (ok)
            appendTemporal(c, t);
        break;
    }
    case ValueKind::Bytes: appendBytes(c, QByteArrayView(text, qsizetype(length))); break;
    }
    if (!ok)
        throw EDatabaseError(QStringLiteral("Malformed reply from the server: \"%1\" in column '%2' "
                                            "does not read as a value of the column's type")
                                 .arg(QString::fromUtf8(text, qsizetype(std::min(length, 64ul))),
                                      col.field.name));
}

void ResultSet::appendTextRow(const char* const* values, const unsigned long* lengths)
{
    for (int c = 0; c < columnCount(); ++c) {
        if (values[c])
            appendText(c, values[c], lengths[c]);
        else
            appendNull(c);
    }
    endRow();
}

void ResultSet::endRow() { ++rows_; }

void ResultSet::finish()
{
    for (Column& col : columns_) {
        col.cells.shrink();
        if (!col.arenas.empty())
            col.arenas.back().shrink();
    }
}
