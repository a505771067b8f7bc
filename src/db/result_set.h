#pragma once

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>
#include <cstddef>
#include <vector>

// What the grid needs to know of a result column, as the server described it.
struct FieldInfo {
    QString name;           // unique among the result's columns (see column_names.h)
    int type = 0;           // the server's field type (enum_field_types)
    unsigned long length = 0;
    unsigned int flags = 0;
    unsigned int charsetnr = 0;
    unsigned int decimals = 0;
};

// How a TEXT or BLOB value is shown: whole, or as the "(MEMO)" placeholder.
enum class MemoText { Whole, Placeholder };

// How a column's values are held, whichever protocol brought them.
enum class ValueKind {
    Signed,    // integer types, YEAR
    Unsigned,  // integer types with the unsigned flag, BIT (its bytes read as a big-endian number)
    Float,     // FLOAT, held as float so that it shows as the server sent it
    Double,    // DOUBLE
    Date,      // DATE
    Time,      // TIME (may be negative or beyond 24 hours)
    DateTime,  // DATETIME, TIMESTAMP
    Bytes      // everything else: character and binary strings, DECIMAL as text, TEXT, BLOB, ENUM, SET
};
ValueKind KindOf(const FieldInfo& field);

// A date, time or date-and-time value. A zero date is never held: it is read as NULL.
struct TemporalValue {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0; // hour up to 838 for a TIME
    int microsecond = 0;
    bool negative = false;                // TIME only
};

// All rows of one result, held compactly (no object per cell, no allocation per row).
// Each accessor must be called only for the kind its column holds and a cell that is not NULL.
//
// A fetch builds it row by row: one append per column in column order, then endRow(), and
// finish() once the last row is in. Values of the text protocol go through appendTextRow(), which
// parses numbers and dates into their native size; a fetch that gets values already decoded
// (the binary protocol) uses the typed appends, and appendText() for those that come as bytes.
class ResultSet {
public:
    explicit ResultSet(std::vector<FieldInfo> fields);
    ~ResultSet();
    ResultSet(const ResultSet&) = delete;
    ResultSet& operator=(const ResultSet&) = delete;

    int columnCount() const;
    qsizetype rowCount() const;
    const FieldInfo& field(int column) const;
    ValueKind kind(int column) const;

    bool isNull(qsizetype row, int column) const;
    qint64 signedValue(qsizetype row, int column) const;
    quint64 unsignedValue(qsizetype row, int column) const;
    float floatValue(qsizetype row, int column) const;
    double doubleValue(qsizetype row, int column) const;
    TemporalValue temporalValue(qsizetype row, int column) const;
    // The bytes as they arrived; valid as long as the result is held.
    QByteArrayView bytesValue(qsizetype row, int column) const;

    // One row as the text protocol delivers it (nullptr for NULL). Raises EDatabaseError when a
    // number or date does not read as its column's type; the result must then be dropped.
    void appendTextRow(const char* const* values, const unsigned long* lengths);
    // One value in the text protocol's form; what the binary protocol too sends for strings,
    // DECIMAL and BIT.
    void appendText(int column, const char* text, unsigned long length);

    void appendNull(int column);
    void appendSigned(int column, qint64 value);
    void appendUnsigned(int column, quint64 value);
    void appendFloat(int column, float value);
    void appendDouble(int column, double value);
    void appendTemporal(int column, const TemporalValue& value); // a zero date is held as NULL
    void appendBytes(int column, QByteArrayView value);
    // Appends a value of `length` bytes and returns where they go, for the caller to write
    // before the next append (nullptr for an empty value). Bytes columns only.
    char* appendBytesRoom(int column, std::size_t length);
    void endRow();
    // Gives back the room reserved for rows that did not come.
    void finish();

private:
    struct Column;

    const Column& column(int index) const;
    Column& column(int index);

    std::vector<Column> columns_;
    qsizetype rows_ = 0;
};
