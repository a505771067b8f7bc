#pragma once

#include <QObject>
#include <QStringList>
#include <memory>

#include "result_set.h"

class TMyConnection;
typedef struct st_mysql MYSQL;
typedef struct st_mysql_res MYSQL_RES;
typedef struct st_mysql_stmt MYSQL_STMT;

// A statement on a connection and the rows it returned, all of them fetched at once.
class TMyQuery : public QObject {
    Q_OBJECT
public:
    explicit TMyQuery(TMyConnection& connection, QObject* parent = nullptr);
    ~TMyQuery() override;

    // The statement text as lines, sent joined by CR LF with trailing characters <= ' ' removed.
    QStringList SQL;

    TMyConnection& Connection() const { return connection_; }

    bool Active() const { return result_ != nullptr; }
    // Runs SQL; when the reply carries a result set (even an empty one) the query is left open
    // holding all of its rows, otherwise it stays closed. Raises EDatabaseError on failure and is
    // then closed. Connects the connection first when it is not connected.
    // Open is for a single statement, the program's own: it is prepared and run over the binary
    // protocol, so that numbers and dates arrive in their native form (half the server's work of
    // the text protocol), unless the server cannot prepare it: then it goes as Execute sends it.
    // Execute sends any text as it is, several statements included.
    void Open();
    void Execute();
    // Drops the rows. Does nothing when closed.
    void Close();

    // The held result; nullptr while closed.
    const ResultSet* Result() const { return result_.get(); }

signals:
    // Emitted after the query has opened (true) or closed (false).
    void activeChanged(bool active);

private:
    void run();
    // Open's way: false when the server cannot prepare the statement (nothing ran then).
    bool runPrepared();
    QByteArray statementText() const;
    // Reads all rows of a result that mysql_use_result() opened, and frees it.
    std::unique_ptr<ResultSet> fetch(MYSQL* mysql, MYSQL_RES* rows);
    // Reads all rows of a prepared statement that has run.
    std::unique_ptr<ResultSet> fetch(MYSQL_STMT* statement);
    void hold(std::unique_ptr<ResultSet> result);

    TMyConnection& connection_;
    std::unique_ptr<ResultSet> result_;
};
