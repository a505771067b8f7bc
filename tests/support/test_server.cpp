#include "test_server.h"

#include <mysql.h>
#include <stdexcept>

namespace test_server {
namespace {

// One root session over the socket, opened on first use and kept for the process.
MYSQL* session()
{
    static MYSQL* mysql = [] {
        MYSQL* m = mysql_init(nullptr);
        const QByteArray socket = (dataDir() + QStringLiteral("/sock")).toUtf8();
        const QByteArray pass = password().toUtf8();
        const unsigned int flags = CLIENT_MULTI_STATEMENTS | CLIENT_MULTI_RESULTS;
        mysql_options(m, MYSQL_SET_CHARSET_NAME, "utf8mb4");
        // Tests that restart the server go on with this session: once a statement has found the
        // old one gone, the next logs in again.
        const my_bool reconnect = 1;
        mysql_options(m, MYSQL_OPT_RECONNECT, &reconnect);
        if (!mysql_real_connect(m, nullptr, "root", pass.constData(), nullptr, 0, socket.constData(), flags))
            throw std::runtime_error(std::string("test server login: ") + mysql_error(m));
        return m;
    }();
    return mysql;
}

[[noreturn]] void fail(const QString& sql)
{
    throw std::runtime_error(sql.toStdString() + ": " + mysql_error(session()));
}

} // namespace

QString host() { return QStringLiteral(SQL_TEST_HOST); }
QString password() { return QStringLiteral(SQL_TEST_PASSWORD); }
QString dataDir() { return QStringLiteral(SQL_TEST_SERVER_DIR); }
QString throwawayScript() { return QStringLiteral(SQL_TEST_THROWAWAY); }

std::vector<QStringList> rows(const QString& sql)
{
    MYSQL* m = session();
    const QByteArray text = sql.toUtf8();
    if (mysql_real_query(m, text.constData(), text.size()) != 0)
        fail(sql);
    std::vector<QStringList> out;
    int status = 0;
    do {
        if (MYSQL_RES* res = mysql_store_result(m)) {
            const unsigned int n = mysql_num_fields(res);
            while (MYSQL_ROW row = mysql_fetch_row(res)) {
                const unsigned long* lengths = mysql_fetch_lengths(res);
                QStringList cells;
                for (unsigned int i = 0; i < n; ++i)
                    cells << (row[i] ? QString::fromUtf8(row[i], qsizetype(lengths[i])) : QString());
                out.push_back(cells);
            }
            mysql_free_result(res);
        } else if (mysql_field_count(m) != 0) {
            fail(sql);
        }
        status = mysql_next_result(m);
        if (status > 0)
            fail(sql);
    } while (status == 0);
    return out;
}

void exec(const QString& sql) { rows(sql); }

QString value(const QString& sql)
{
    const auto result = rows(sql);
    return result.empty() || result.front().isEmpty() ? QString() : result.front().front();
}

} // namespace test_server
