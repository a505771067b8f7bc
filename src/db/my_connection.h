#pragma once

#include <QString>
#include <vector>

typedef struct st_mysql MYSQL;
typedef struct st_mysql_res MYSQL_RES;
typedef struct st_mysql_stmt MYSQL_STMT;
class TMyQuery;

// A connection to a MySQL or MariaDB server over TCP.
// The settings are read when Connect() runs; changing them later does not touch an open connection.
class TMyConnection {
public:
    TMyConnection();
    ~TMyConnection();
    TMyConnection(const TMyConnection&) = delete;
    TMyConnection& operator=(const TMyConnection&) = delete;

    QString Server = QStringLiteral("localhost"); // empty means "localhost"
    QString Username;
    QString Password;
    int Port = 3306;
    QString Database; // empty for none

    // Connects with the current settings; raises EDatabaseError and stays disconnected on failure.
    // Connecting while connected does nothing.
    void Connect();
    // Closes every query on this connection, then the connection. Does nothing when not connected.
    void Disconnect();
    bool Connected() const;

private:
    friend class TMyQuery;
    // For the queries on this connection: the live handle, connecting first when needed.
    MYSQL* handle();
    // Raises the error the last call on the handle met, after freeing `pending` (a result being
    // read). When the session cannot go on (the server dropped it, the library lost track of it),
    // the handle is dropped too, closing the queries, so that the next use connects afresh.
    [[noreturn]] void raiseLastError(MYSQL_RES* pending = nullptr);
    // The same for the error a prepared statement met. The statement is left to the caller to
    // close, after the handle if that was dropped (closing it then sends nothing).
    [[noreturn]] void raiseStatementError(MYSQL_STMT* statement);
    void dropIfBroken(unsigned errorCode);
    void attach(TMyQuery* query);
    void detach(TMyQuery* query);

    MYSQL* mysql_ = nullptr;
    std::vector<TMyQuery*> queries_;
};
