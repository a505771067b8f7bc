// Logging in to the test server with its accounts, and what the login sends.
#include <gtest/gtest.h>

#include <QThread>

#include "my_connection.h"
#include "my_query.h"
#include "raises.h"
#include "test_server.h"

namespace {

class Login : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        test_server::exec(
            "create or replace user probe@'%' identified by 'Pr0be-pw';"
            "grant all on *.* to probe@'%';"
            "create or replace user nopass@'%';"
            "create or replace user oldpw@'%' identified via mysql_old_password using '"
            + test_server::value("select old_password('Old-pw1')") + "';"
            "create database if not exists login_db");
    }

    static TMyConnection& settings(TMyConnection& connection, const QString& user, const QString& password,
                                   const QString& database = {})
    {
        connection.Server = test_server::host();
        connection.Username = user;
        connection.Password = password;
        connection.Database = database;
        return connection;
    }

    // The first row of a statement run on the connection, each value as its text.
    static QStringList firstRow(TMyConnection& connection, const QString& sql)
    {
        TMyQuery query(connection);
        query.SQL << sql;
        query.Open();
        QStringList cells;
        const ResultSet* result = query.Result();
        for (int c = 0; result && result->rowCount() > 0 && c < result->columnCount(); ++c)
            cells << QString::fromUtf8(result->bytesValue(0, c).toByteArray());
        return cells;
    }
};

TEST_F(Login, EachPasswordSchemeLogsIn)
{
    struct Case {
        QString user, password, account;
    };
    const Case cases[] = {
        {"probe", "Pr0be-pw", "probe@%"},
        {"nopass", "", "nopass@%"},
        {"oldpw", "Old-pw1", "oldpw@%"}, // the pre-4.1 scramble
        {"root", test_server::password(), "root@%"},
    };
    for (const Case& c : cases) {
        TMyConnection connection;
        settings(connection, c.user, c.password).Connect();
        EXPECT_TRUE(connection.Connected()) << c.user.toStdString();
        EXPECT_EQ(firstRow(connection, "select current_user()"), QStringList{c.account});
    }
}

TEST_F(Login, RefusedLoginsRaiseTheServersErrorAndStayDisconnected)
{
    struct Case {
        QString user, password, database, start, end;
    };
    const Case cases[] = {
        {"probe", "Wrong-pw", "", "\r\n#28000Access denied for user 'probe'@'", "' (using password: YES)"},
        {"nobody", "", "", "\r\n#28000Access denied for user 'nobody'@'", "' (using password: NO)"},
        {"probe", "Pr0be-pw", "no_such_db", "\r\n#42000Unknown database 'no_such_db'", ""},
    };
    for (const Case& c : cases) {
        TMyConnection connection;
        const QString message = raised([&] { settings(connection, c.user, c.password, c.database).Connect(); });
        EXPECT_TRUE(message.startsWith(c.start) && message.endsWith(c.end)) << message.toStdString();
        EXPECT_FALSE(connection.Connected());
    }
}

// The login announces utf8mb4, uses neither TLS nor compression, names the database, and sends
// nothing of its own after it: the server's general log shows the statement right after the login,
// opened as the program opens its own statements: prepared, run once, closed.
TEST_F(Login, TheLoginIsAllThatIsSentBeforeTheFirstStatement)
{
    test_server::exec("set global log_output = 'TABLE'; truncate mysql.general_log; set global general_log = 1");
    TMyConnection connection;
    settings(connection, "probe", "Pr0be-pw", "login_db").Connect();
    const QString probe = "select @@character_set_client, @@character_set_results, @@collation_connection, "
                          "(select variable_value from information_schema.session_status where variable_name = 'Ssl_cipher'), "
                          "(select variable_value from information_schema.session_status where variable_name = 'Compression'), "
                          "database()";
    EXPECT_EQ(firstRow(connection, probe),
              (QStringList{"utf8mb4", "utf8mb4", "utf8mb4_general_ci", "", "OFF", "login_db"}));
    connection.Disconnect();

    const QString thread = test_server::value(
        "select thread_id from mysql.general_log where command_type = 'Connect' and argument like 'probe@%'");
    std::vector<QStringList> log;
    for (int wait = 0; wait < 100 && (log.empty() || log.back().first() != "Quit"); ++wait) {
        QThread::msleep(20);
        log = test_server::rows("select command_type, argument from mysql.general_log where thread_id = " + thread
                                + " order by event_time");
    }
    test_server::exec("set global general_log = 0");
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[0].first(), "Connect");
    EXPECT_TRUE(log[0].last().endsWith(" on login_db using TCP/IP")) << log[0].last().toStdString();
    EXPECT_EQ(log[1], (QStringList{"Prepare", probe}));
    EXPECT_EQ(log[2], (QStringList{"Execute", probe}));
    EXPECT_EQ(log[3].first(), "Close stmt");
    EXPECT_EQ(log[4].first(), "Quit");
}

} // namespace
