#pragma once

#include <QString>
#include <QStringList>

// The words of a statement text, as the runner reads them to decide what follows a statement.
// A word ends at a blank, a carriage return, a line feed or the end of the text; line breaks
// before a word are skipped. An apostrophe or double quote opens a stretch that only the same
// character closes; inside it blanks and line breaks belong to the word, and so do the quotes.
// Every other character (tab, anything above code 255) is part of a word.
class WordList {
public:
    explicit WordList(const QString& text);

    qsizetype count() const { return words_.size(); }
    // Raises EListError "List index out of bounds (n)" for a word the text does not have.
    const QString& operator[](qsizetype index) const;

private:
    QStringList words_;
};
