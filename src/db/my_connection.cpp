#include "my_connection.h"

#include <mysql.h>
#include <errmsg.h>
#include <mysqld_error.h>

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <new>

#include "db_error.h"
#include "my_query.h"

namespace {

// Every receive of the login may wait this long; the TCP connect before it and the statements
// after it wait as long as they take.
constexpr int kLoginReceiveLimitMs = 15000;
// MySQL 8's error for a session it closes for idling.
constexpr unsigned kClientInteractionTimeout = 4031;

QString socketError(const char* operation, int code)
{
    return QStringLiteral("Socket error on %1. WSAGetLastError return %2($%3)")
        .arg(QLatin1String(operation))
        .arg(code)
        .arg(QString::number(code, 16).toUpper());
}

QString cantConnect(const QString& host)
{
    return QStringLiteral("Can't connect to MySQL server on '%1' (10061)").arg(host);
}

// The IPv4 address to connect to, in dotted form; empty when the name cannot be looked up.
QByteArray resolve(const QString& host)
{
    const QByteArray name = host.toUtf8();
    in_addr address;
    if (inet_pton(AF_INET, name.constData(), &address) == 1)
        return name;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.constData(), nullptr, &hints, &found) != 0 || !found)
        return {};
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr, text, sizeof text);
    freeaddrinfo(found);
    return text;
}

bool isClientError(unsigned code)
{
    return (code >= CR_MIN_ERROR && code <= CR_MAX_ERROR) || (code >= CER_MIN_ERROR && code <= CER_MAX_ERROR);
}

QString lostConnection() { return QStringLiteral("Lost connection to MySQL server during query"); }
QString malformedReply() { return QStringLiteral("Received malformed packet"); }

// A server error as CR LF, "#" and the state where the server sent one, and its text as it came;
// a failure of the library itself in the library's words, a broken connection in the words of the
// login's own time-out.
QString errorMessage(unsigned code, const char* sqlstate, const char* error, bool stateSent)
{
    if (code == CR_SERVER_LOST || code == CR_SERVER_GONE_ERROR || code == CR_SERVER_LOST_EXTENDED)
        return lostConnection();
    // A reply the library could not take apart: a row value running past its packet comes as
    // "unknown error", too few column definitions with no error code at all.
    if (code == 0 || code == CR_UNKNOWN_ERROR)
        return malformedReply();
    // The library's own text names the wrong plugin when the server switches to one.
    if (code == CR_PLUGIN_NOT_ALLOWED)
        return QStringLiteral("Login refused: the server asked for the password in a form other than the "
                              "MySQL password scramble");
    const QString text = QString::fromUtf8(error);
    if (isClientError(code))
        return text;
    QString message = QStringLiteral("\r\n");
    if (stateSent)
        message += QLatin1Char('#') + QLatin1String(sqlstate);
    return message + text;
}

// The system error code the library put at the end of a failed socket call's message: "... (111)".
int trailingErrorCode(const char* message)
{
    const QByteArray text(message);
    const qsizetype open = text.lastIndexOf('(');
    if (!text.endsWith(')') || open < 0)
        return 0;
    bool ok = false;
    const int code = text.mid(open + 1, text.size() - open - 2).toInt(&ok);
    return ok ? code : 0;
}

// Waits until the socket is ready for `events`; returns the events that occurred, 0 when the
// limit ran out. limitMs < 0 waits without limit.
short awaitSocket(int fd, short events, int limitMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(limitMs, 0));
    for (;;) {
        int timeout = -1;
        if (limitMs >= 0)
            timeout = int(std::max<qint64>(0, std::chrono::duration_cast<std::chrono::milliseconds>(
                                                  deadline - Clock::now()).count()));
        pollfd p{fd, events, 0};
        const int ready = poll(&p, 1, timeout);
        if (ready > 0)
            return p.revents;
        if (ready == 0)
            return 0;
        if (errno != EINTR)
            return POLLERR;
    }
}

// Drives the library's non-blocking login with waits of the program's own: the TCP connect
// without limit, every wait after it limited to 15 seconds.
class Login {
public:
    explicit Login(MYSQL* mysql) : mysql_(mysql) {}

    bool run(const QByteArray& address, const QByteArray& user, const QByteArray& password,
             const QByteArray& database, unsigned port)
    {
        MYSQL* connected = nullptr;
        int wait = mysql_real_connect_start(&connected, mysql_, address.constData(), user.constData(),
            password.constData(), database.constData(), port, nullptr,
            CLIENT_MULTI_STATEMENTS | CLIENT_MULTI_RESULTS);
        while (wait != 0)
            wait = mysql_real_connect_cont(&connected, mysql_, await(wait));
        return connected != nullptr;
    }

    bool timedOut() const { return timedOut_; }
    // Whether the server answered the connect with an error packet instead of its greeting:
    // such an error carries no SQLSTATE, though the library reports one.
    bool refusedAtGreeting() const { return refusedAtGreeting_; }

private:
    int await(int wait)
    {
        const int fd = mysql_get_socket(mysql_);
        if (!tcpConnected_ && (wait & MYSQL_WAIT_WRITE)) {
            tcpConnected_ = true;
            // When the connect failed, the library reads why from the socket.
            if (!(awaitSocket(fd, POLLOUT, -1) & (POLLERR | POLLHUP)))
                receive(fd, POLLIN); // the server's first packet, looked at before the library takes it
            return MYSQL_WAIT_WRITE;
        }
        tcpConnected_ = true;
        const short wanted = short((wait & MYSQL_WAIT_READ ? POLLIN : 0) | (wait & MYSQL_WAIT_WRITE ? POLLOUT : 0)
                                   | (wait & MYSQL_WAIT_EXCEPT ? POLLPRI : 0));
        receive(fd, wanted);
        // Ready, failed or given up: the library finds out which by trying.
        return wait & (MYSQL_WAIT_READ | MYSQL_WAIT_WRITE | MYSQL_WAIT_EXCEPT);
    }

    // Waits within the login's limit; when it runs out, shuts the socket so that the library's
    // next read fails at once.
    void receive(int fd, short events)
    {
        const short occurred = awaitSocket(fd, events, kLoginReceiveLimitMs);
        if (occurred == 0) {
            timedOut_ = true;
            shutdown(fd, SHUT_RDWR);
            return;
        }
        // Peeking at a socket with an error pending would consume the error.
        if (!greetingSeen_ && (occurred & POLLIN) && !(occurred & POLLERR)) {
            greetingSeen_ = true;
            unsigned char head[5];
            refusedAtGreeting_ = recv(fd, head, sizeof head, MSG_PEEK | MSG_DONTWAIT) == ssize_t(sizeof head)
                && head[4] == 0xFF;
        }
    }

    MYSQL* mysql_;
    bool tcpConnected_ = false;
    bool greetingSeen_ = false;
    bool refusedAtGreeting_ = false;
    bool timedOut_ = false;
};

} // namespace

TMyConnection::TMyConnection() = default;

TMyConnection::~TMyConnection() { Disconnect(); }

void TMyConnection::Connect()
{
    if (mysql_)
        return;
    const QString host = Server.isEmpty() ? QStringLiteral("localhost") : Server;
    const QByteArray address = resolve(host);
    if (address.isEmpty())
        throw EDatabaseError(cantConnect(host));

    MYSQL* mysql = mysql_init(nullptr);
    if (!mysql)
        throw std::bad_alloc();
    const unsigned protocol = MYSQL_PROTOCOL_TCP;
    const unsigned localFiles = 0;
    const my_bool secureAuth = 0; // old pre-4.1 password accounts may log in
    mysql_options(mysql, MYSQL_OPT_NONBLOCK, nullptr);
    mysql_options(mysql, MYSQL_OPT_PROTOCOL, &protocol);
    mysql_options(mysql, MYSQL_SET_CHARSET_NAME, "utf8mb4");
    mysql_options(mysql, MYSQL_SECURE_AUTH, &secureAuth);
    // A server must not be able to ask for the user's files.
    mysql_options(mysql, MYSQL_OPT_LOCAL_INFILE, &localFiles);
    // Nor for the password as typed, which the clear-text and dialog plugins would send and a
    // server could show back in its error: only the two password scrambles are answered.
    mysql_options(mysql, MARIADB_OPT_RESTRICTED_AUTH, "mysql_native_password,mysql_old_password");

    Login login(mysql);
    if (!login.run(address, Username.toUtf8(), Password.toUtf8(), Database.toUtf8(), unsigned(Port))) {
        QString message;
        const unsigned code = mysql_errno(mysql);
        if (login.timedOut()) {
            message = lostConnection() + QStringLiteral("\r\n") + socketError("read", ETIMEDOUT);
        } else if (code == CR_CONNECTION_ERROR || code == CR_CONN_HOST_ERROR || code == CR_IPSOCK_ERROR) {
            message = cantConnect(host);
            if (const int systemError = trailingErrorCode(mysql_error(mysql)))
                message += QStringLiteral("\r\n") + socketError("connect", systemError);
        } else {
            message = errorMessage(code, mysql_sqlstate(mysql), mysql_error(mysql), !login.refusedAtGreeting());
        }
        mysql_close(mysql);
        throw EDatabaseError(message);
    }
    mysql_ = mysql;
}

void TMyConnection::Disconnect()
{
    if (!mysql_)
        return;
    for (TMyQuery* query : std::vector<TMyQuery*>(queries_))
        query->Close();
    mysql_close(std::exchange(mysql_, nullptr));
}

bool TMyConnection::Connected() const { return mysql_ != nullptr; }

MYSQL* TMyConnection::handle()
{
    Connect();
    return mysql_;
}

void TMyConnection::raiseLastError(MYSQL_RES* pending)
{
    const unsigned code = mysql_errno(mysql_);
    EDatabaseError error(errorMessage(code, mysql_sqlstate(mysql_), mysql_error(mysql_), true));
    if (pending)
        mysql_free_result(pending);
    dropIfBroken(code);
    throw error;
}

void TMyConnection::raiseStatementError(MYSQL_STMT* statement)
{
    const unsigned code = mysql_stmt_errno(statement);
    EDatabaseError error(errorMessage(code, mysql_stmt_sqlstate(statement), mysql_stmt_error(statement), true));
    dropIfBroken(code);
    throw error;
}

void TMyConnection::dropIfBroken(unsigned code)
{
    if (code == 0 || isClientError(code) || code == ER_CONNECTION_KILLED || code == ER_SERVER_SHUTDOWN
        || code == kClientInteractionTimeout || mysql_get_socket(mysql_) == MARIADB_INVALID_SOCKET)
        Disconnect();
}

void TMyConnection::attach(TMyQuery* query) { queries_.push_back(query); }

void TMyConnection::detach(TMyQuery* query) { std::erase(queries_, query); }
