#pragma once

#include <QString>
#include <QStringList>

// Statement skeletons the editor is filled with, one entry per editor line (without line breaks).
// Names go through TableReference, so ordinary names appear exactly as they are.

// "select * from <table>"
QStringList SelectSkeleton(const QString& table);

// "insert into <table>", "(<names>) values ", "(<"" per name>)", the names being the result
// grid's column titles in order.
QStringList InsertSkeleton(const QString& table, const QStringList& columnHeaders);

// "delete from <table> where <key column> = "<key value>"". The value is escaped for a
// double-quoted string, so that a value holding a quote still names exactly its own row.
QStringList DeleteSkeleton(const QString& table, const QString& keyColumn, const QString& keyValue);
