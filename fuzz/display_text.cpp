// A result column of any server type filled from arbitrary bytes, the way each protocol fills it,
// then shown as the grid shows it. The store must give back every value as it went in.
#include <mysql.h>

#include <vector>

#include "db_error.h"
#include "display_text.h"
#include "fuzz_input.h"
#include "result_set.h"

namespace {

// A value as the binary protocol's date and time fields can carry it: a 16-bit year, 8-bit
// parts, a 32-bit fraction.
TemporalValue Temporal(FuzzReader& in)
{
    TemporalValue t;
    t.year = in.value<quint16>();
    t.month = in.byte();
    t.day = in.byte();
    t.hour = in.byte();
    t.minute = in.byte();
    t.second = in.byte();
    t.microsecond = int(in.value<quint32>() % 1000000);
    t.negative = in.byte() & 1;
    return t;
}

// Appends one cell as the binary protocol would; returns the bytes of a Bytes cell.
QByteArray AppendTyped(ResultSet& result, FuzzReader& in)
{
    switch (result.kind(0)) {
    case ValueKind::Signed: result.appendSigned(0, in.value<qint64>()); break;
    case ValueKind::Unsigned: result.appendUnsigned(0, in.value<quint64>()); break;
    case ValueKind::Float: result.appendFloat(0, in.value<float>()); break;
    case ValueKind::Double: result.appendDouble(0, in.value<double>()); break;
    case ValueKind::Date:
    case ValueKind::Time:
    case ValueKind::DateTime: result.appendTemporal(0, Temporal(in)); break;
    case ValueKind::Bytes: {
        const QByteArray bytes = in.bytes(in.byte());
        result.appendBytes(0, bytes);
        return bytes;
    }
    }
    return {};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzReader in(data, size);
    FieldInfo field;
    field.name = QStringLiteral("c");
    field.type = in.byte(); // any type code, known or not
    const std::uint8_t shape = in.byte();
    field.flags = shape & 1 ? UNSIGNED_FLAG : 0;
    field.length = shape & 2 ? 1 : in.value<quint32>();
    field.decimals = shape >> 2 & 0x3F;
    const bool textProtocol = in.byte() & 1;
    const qsizetype maxBytes = qsizetype(in.byte()) - 1;

    ResultSet result({field});
    std::vector<QByteArray> bytes; // what each Bytes cell was given, null for NULL
    try {
        while (!in.atEnd()) {
            // A cell: a length of 255 is NULL, else that many bytes of value.
            const std::uint8_t length = in.byte();
            if (length == 255) {
                result.appendNull(0);
                bytes.emplace_back();
            } else if (textProtocol) {
                const QByteArray text = in.bytes(length);
                const char* values[] = {text.constData()};
                const unsigned long lengths[] = {static_cast<unsigned long>(text.size())};
                result.appendTextRow(values, lengths);
                bytes.push_back(result.kind(0) == ValueKind::Bytes ? text : QByteArray(""));
                continue; // appendTextRow ends the row itself
            } else {
                bytes.push_back(AppendTyped(result, in));
                if (result.kind(0) != ValueKind::Bytes)
                    bytes.back() = QByteArray("");
            }
            result.endRow();
        }
    } catch (const EDatabaseError&) {
        return 0; // a value that does not read as its type: the fetch drops the result
    }
    result.finish();

    FUZZ_CHECK(result.rowCount() == qsizetype(bytes.size()));
    for (qsizetype row = 0; row < result.rowCount(); ++row) {
        if (result.kind(0) == ValueKind::Bytes && !bytes[std::size_t(row)].isNull())
            FUZZ_CHECK(result.bytesValue(row, 0) == bytes[std::size_t(row)]);
        if (bytes[std::size_t(row)].isNull())
            FUZZ_CHECK(result.isNull(row, 0));
        DisplayText(result, row, 0, MemoText::Whole, maxBytes);
        DisplayText(result, row, 0, MemoText::Placeholder, -1);
    }
    return 0;
}
