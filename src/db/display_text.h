#pragma once

#include <QString>

#include "result_set.h"

// The text a grid cell shows for one stored value, by the column's type: made on demand for the
// cells being drawn, never stored. NULL shows empty.
// maxBytes, when not negative, decodes at most that many bytes of a string value (cut at a
// character boundary): enough for what a cell can show without laying out a huge value whole.
QString DisplayText(const ResultSet& result, qsizetype row, int column, MemoText memo,
                    qsizetype maxBytes = -1);
