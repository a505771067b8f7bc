#pragma once

#include <QString>

#include "result_set.h"

// The text a grid cell shows for one stored value, by the column's type: made on demand for the
// cells being drawn, never stored.
QString DisplayText(const ResultSet& result, qsizetype row, int column, MemoText memo);
