#pragma once

#include <QString>

#include "../logic/qt_print.h"
#include "db_error.h"

// The message of the EDatabaseError that `action` raises; "(nothing raised)" when it raises none.
template <typename Action>
QString raised(Action&& action)
{
    try {
        action();
    } catch (const EDatabaseError& error) {
        return error.Message();
    }
    return QStringLiteral("(nothing raised)");
}
