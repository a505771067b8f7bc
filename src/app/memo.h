#pragma once

#include <QPlainTextEdit>

// The statement editor: plain multi-line text whose lines are appended one at a time, each
// ending in a line break. Tab moves the focus on instead of typing a tab.
class TMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TMemo(QWidget* parent = nullptr);

    QString Text() const { return toPlainText(); }
    void SetText(const QString& text) { setPlainText(text); }
    // Appends one line and its line break.
    void LinesAdd(const QString& line);
    void Clear() { clear(); }
};
