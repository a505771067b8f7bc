#include "column_names.h"

#include <QHash>
#include <QSet>

QStringList UniqueColumnNames(const QStringList& names)
{
    QStringList unique;
    unique.reserve(names.size());
    QSet<QString> taken;                // case-folded names given so far
    QHash<QString, int> nextSuffix;     // per case-folded base: the counter to try next
    for (const QString& name : names) {
        const QString key = name.toCaseFolded();
        QString given = name;
        if (name.isEmpty() || taken.contains(key)) {
            // An unnamed column counts from 0, a repeated name from 1.
            auto suffix = nextSuffix.find(key);
            if (suffix == nextSuffix.end())
                suffix = nextSuffix.insert(key, name.isEmpty() ? 0 : 1);
            do {
                given = name + QLatin1Char('_') + QString::number((*suffix)++);
            } while (taken.contains(given.toCaseFolded()));
        }
        taken.insert(given.toCaseFolded());
        unique.append(given);
    }
    return unique;
}
