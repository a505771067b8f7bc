#pragma once

#include <QString>

// A table or column name as it goes into a statement the program writes itself. A name the
// server reads as a plain identifier is used as it is; any other is enclosed in backquotes, with
// each backquote inside doubled, so that a name holding a ";" or a blank stays one name instead of
// ending the statement. An empty name stays empty. Reserved words are not quoted: the server's
// complaint about them is what the user sees.
QString TableReference(const QString& name);

// The statement that shows every row of a table: "select * from " and the table's reference.
QString BrowseStatement(const QString& table);
