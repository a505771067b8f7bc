#pragma once

#include <QStringList>

// Makes a result's column names unique, compared without regard to case. Within each group of
// equal names the leftmost keeps its name and each further one gets "_1", "_2", ... appended in
// column order; a generated name that some later column already carries pushes that later column
// to be renamed the same way; a column without a name becomes "_0", a second one "_1", and so on.
QStringList UniqueColumnNames(const QStringList& names);
