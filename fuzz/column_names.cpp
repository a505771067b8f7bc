// Column-name uniquing on any list of names.
#include <QRegularExpression>
#include <QSet>

#include "column_names.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QStringList names = Utf16List(data, size);
    const QStringList unique = UniqueColumnNames(names);
    FUZZ_CHECK(unique.size() == names.size());

    static const QRegularExpression counter(QStringLiteral("^_[0-9]+$"));
    QSet<QString> taken;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString& name = names[i];
        const QString& given = unique[i];
        const QString key = given.toCaseFolded();
        // A name keeps its own text when no column before it took it, else gets a counter.
        if (!name.isEmpty() && !taken.contains(name.toCaseFolded()))
            FUZZ_CHECK(given == name);
        else
            FUZZ_CHECK(given.startsWith(name) && counter.match(given.mid(name.size())).hasMatch());
        FUZZ_CHECK(!taken.contains(key));
        taken.insert(key);
    }
    return 0;
}
