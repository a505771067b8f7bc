#pragma once

#include <QString>

class QWidget;

// The application's title: the program file's name without its folder, cut at its first ".",
// its first character kept and every following one in lower case.
QString ApplicationTitle(const QString& programPath);

// The error box's text: the message, with a "." appended when it does not already end in a
// character at or below "." (so "failed" gets one, while "failed.", "(2)" and "now!" do not).
QString ErrorBoxText(const QString& message);

// The modal error box: error icon, OK button, the application's title.
void ShowErrorBox(const QString& message);
