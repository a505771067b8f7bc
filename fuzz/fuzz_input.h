#pragma once

// Turns a fuzzer's bytes into the inputs of the functions under test.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Stops the run with a message when a property does not hold, so that libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition);         \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// The bytes as UTF-16 code units, as a text field or the editor holds them: any 16-bit value,
// unpaired surrogates included.
inline QString Utf16(const std::uint8_t* data, std::size_t size)
{
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, size / 2 * 2);
    return text;
}

// Several texts from one input: the UTF-16 text cut at each U+0000.
inline QStringList Utf16List(const std::uint8_t* data, std::size_t size)
{
    return Utf16(data, size).split(QChar(0));
}

// Reads fixed-size fields from the front of the input; past its end every read gives zeros.
class FuzzReader {
public:
    FuzzReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool atEnd() const { return pos_ >= size_; }
    std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    template <typename T>
    T value()
    {
        T v{};
        const std::size_t n = std::min(sizeof v, size_ - std::min(pos_, size_));
        std::memcpy(&v, data_ + pos_, n);
        pos_ += n;
        return v;
    }
    // Up to n bytes, fewer at the end of the input.
    QByteArray bytes(std::size_t n)
    {
        n = std::min(n, size_ - std::min(pos_, size_));
        QByteArray out(reinterpret_cast<const char*>(data_ + pos_), qsizetype(n));
        pos_ += n;
        return out;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};
