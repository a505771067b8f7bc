#pragma once

#include <QString>
#include <ostream>

// Lets failing expectations show texts instead of bytes.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
