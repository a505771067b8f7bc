// Peers that break the protocol, at the login and in the reply to a statement: each ends in an
// error that says what happened, with no crash, no wait past the login's limit, no session left
// out of step, and the password in no message.
#include <gtest/gtest.h>

#include <chrono>

#include "../db/raises.h"
#include "fake_peer.h"
#include "my_connection.h"
#include "my_query.h"

namespace {

const QString kPassword = QStringLiteral("Peer-S3cret");
const QString kLost = QStringLiteral("Lost connection to MySQL server during query");
const QString kMalformed = QStringLiteral("Received malformed packet");
const QString kRefusedPlugin =
    QStringLiteral("Login refused: the server asked for the password in a form other than the MySQL password scramble");

QByteArray cut(const QByteArray& packet, qsizetype keep) { return packet.left(keep); }

// The packet as sent, but with a length that announces only `announced` bytes of it.
QByteArray announcing(QByteArray packet, int announced)
{
    packet[0] = char(announced);
    return packet;
}

// Plays the greeting and takes the client's login.
void greet(PeerSocket& s)
{
    s.sendPacket(0, wire::Greeting());
    s.readPacket();
}

void loggedIn(PeerSocket& s)
{
    greet(s);
    s.sendPacket(2, wire::Ok());
}

// Asks the client to answer with another authentication plugin, and shows what came back in the
// error that refuses it.
void switchAndEcho(PeerSocket& s, const QByteArray& plugin, const QByteArray& data)
{
    greet(s);
    s.sendPacket(2, wire::AuthSwitch(plugin, data));
    const QByteArray answer = s.readPacket();
    s.sendPacket(4, wire::Error(1045, "28000", "Access denied, you sent '" + answer + "'"));
}

QString connectTo(const FakePeer& peer, TMyConnection& connection)
{
    connection.Server = peer.host();
    connection.Username = QStringLiteral("someone");
    connection.Password = kPassword;
    return raised([&] { connection.Connect(); });
}

TEST(Peer, BrokenLoginsEndInAClearError)
{
    struct Case {
        const char* fault;
        FakePeer::Script script;
        QString message;
    };
    const Case cases[] = {
        {"greeting cut short", [](PeerSocket& s) { s.send(cut(PeerSocket::Packet(0, wire::Greeting()), 20)); }, kLost},
        {"greeting longer than announced",
         [](PeerSocket& s) {
             s.send(announcing(PeerSocket::Packet(0, wire::Greeting()), 30));
             s.holdUntilClosed();
         },
         kLost},
        // The library takes it for a greeting, answers it, and waits for the reply as long as the
        // login's limit lets it.
        {"greeting without the end of its version text",
         [](PeerSocket& s) {
             s.sendPacket(0, QByteArray(1, 10) + "5.5.5-10.11.0");
             s.holdUntilClosed();
         },
         kLost + "\r\nSocket error on read. WSAGetLastError return 110($6E)"},
        {"login reply cut short",
         [](PeerSocket& s) {
             greet(s);
             s.send(cut(PeerSocket::Packet(2, wire::Ok()), 7));
         },
         kLost},
        {"login reply longer than announced",
         [](PeerSocket& s) {
             greet(s);
             s.send(PeerSocket::Packet(2, wire::Ok() + QByteArray(40, 'x')));
             s.holdUntilClosed();
         },
         kMalformed},
        // A server that asks for the password as typed, to show it back, gets nothing.
        {"switch to the clear-text plugin", [](PeerSocket& s) { switchAndEcho(s, "mysql_clear_password", ""); },
         kRefusedPlugin},
        {"switch to the dialog plugin",
         [](PeerSocket& s) { switchAndEcho(s, "dialog", QByteArray(1, 4) + "Password: "); }, kRefusedPlugin},
        {"greeting that offers the clear-text plugin",
         [](PeerSocket& s) {
             s.sendPacket(0, wire::Greeting("mysql_clear_password"));
             const QByteArray answer = s.readPacket();
             s.sendPacket(2, wire::Error(1045, "28000", "Access denied, you sent '" + answer + "'"));
         },
         kRefusedPlugin},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        FakePeer peer(c.script);
        TMyConnection connection;
        const auto start = std::chrono::steady_clock::now();
        const QString message = connectTo(peer, connection);
        EXPECT_EQ(message, c.message);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(17)); // 15 s, and a margin
        EXPECT_FALSE(connection.Connected());
        EXPECT_FALSE(message.contains(kPassword));
    }
}

// How the rows of a result are framed in the protocol the client chose for its statement.
struct Rows {
    bool binary;
    // A row of one column: the binary protocol puts a header byte and a NULL bitmap in front.
    QByteArray row(const QByteArray& value) const { return binary ? QByteArray("\0\0", 2) + value : value; }
};

// Answers the client's statement with the head of a result of one VARCHAR column "c", in the
// text protocol (COM_QUERY) or the binary one (COM_STMT_PREPARE, then COM_STMT_EXECUTE). The
// rows follow with sequence number 4.
Rows resultHead(PeerSocket& s)
{
    const bool binary = s.readPacket().startsWith(char(0x16));
    if (binary) {
        s.sendPacket(1, QByteArray("\0\1\0\0\0\1\0\0\0\0\0\0", 12)); // statement 1: one column, no parameters
        s.sendPacket(2, wire::Column("c"));
        s.sendPacket(3, wire::Eof());
        s.readPacket(); // the execute
    }
    s.sendPacket(1, QByteArray(1, 1));
    s.sendPacket(2, wire::Column("c"));
    s.sendPacket(3, wire::Eof());
    return {binary};
}

// A result of one row, "abc", whose row is sent by `sendRow`; then the end of the result.
FakePeer::Script oneRow(std::function<void(PeerSocket&, const Rows&)> sendRow)
{
    return [sendRow](PeerSocket& s) {
        loggedIn(s);
        const Rows rows = resultHead(s);
        sendRow(s, rows);
        s.sendPacket(5, wire::Eof());
        s.holdUntilClosed();
    };
}

// Runs "select c from t" on a peer both ways a query runs a statement: Open() prepares it (the
// binary protocol), Execute() sends it as text.
struct Outcome {
    QString message;
    bool connected;
    QByteArray value; // of the first cell, when the query opened
};

Outcome run(const FakePeer::Script& script, bool prepared)
{
    FakePeer peer(script);
    TMyConnection connection;
    EXPECT_EQ(connectTo(peer, connection), QStringLiteral("(nothing raised)"));
    TMyQuery query(connection);
    query.SQL << QStringLiteral("select c from t");
    Outcome outcome;
    outcome.message = raised([&] { prepared ? query.Open() : query.Execute(); });
    outcome.connected = connection.Connected();
    if (query.Active() && query.Result()->rowCount() > 0)
        outcome.value = query.Result()->bytesValue(0, 0).toByteArray();
    return outcome;
}

TEST(Peer, TheFakeResultReadsBackBothWays)
{
    const auto script = oneRow([](PeerSocket& s, const Rows& r) { s.sendPacket(4, r.row(wire::String("abc"))); });
    for (const bool prepared : {false, true}) {
        const Outcome outcome = run(script, prepared);
        EXPECT_EQ(outcome.message, QStringLiteral("(nothing raised)"));
        EXPECT_EQ(outcome.value, "abc");
    }
}

// A broken reply to a statement raises a clear error and drops the session, which could not be
// trusted to be in step any more; the next use connects afresh.
TEST(Peer, BrokenRepliesToAStatementEndInAClearError)
{
    struct Case {
        const char* fault;
        FakePeer::Script script;
        QString asText, prepared;
    };
    const Case cases[] = {
        {"row cut short",
         [](PeerSocket& s) {
             loggedIn(s);
             const Rows r = resultHead(s);
             s.send(cut(PeerSocket::Packet(4, r.row(wire::String("abcdefgh"))), 7));
         },
         kLost, kLost},
        {"row longer than announced",
         [](PeerSocket& s) {
             loggedIn(s);
             const Rows r = resultHead(s);
             const QByteArray row = r.row(wire::String("abc"));
             s.send(announcing(PeerSocket::Packet(4, row + "\xFF\xFF\xFF\x05zzzzzzzz"), int(row.size())));
         },
         kLost, kLost},
        {"column count beyond any packet",
         [](PeerSocket& s) {
             loggedIn(s);
             s.readPacket();
             s.sendPacket(1, QByteArray("\xFE\0\0\0\0\0\1\0\0", 9));
         },
         kMalformed, kLost},
        {"fewer column definitions than counted",
         [](PeerSocket& s) {
             loggedIn(s);
             s.readPacket();
             s.sendPacket(1, QByteArray(1, 3));
             s.sendPacket(2, wire::Column("c"));
             s.sendPacket(3, wire::Eof());
             s.sendPacket(4, wire::String("v"));
             s.sendPacket(5, wire::Eof());
             s.holdUntilClosed();
         },
         kMalformed, kMalformed},
        {"column definition cut short",
         [](PeerSocket& s) {
             loggedIn(s);
             s.readPacket();
             s.sendPacket(1, QByteArray(1, 1));
             s.sendPacket(2, wire::Column("c").left(8));
             s.sendPacket(3, wire::Eof());
             s.holdUntilClosed();
         },
         kMalformed, kMalformed},
        // The extra bytes of the login's reply are read as the reply to the statement.
        {"login reply longer than announced",
         [](PeerSocket& s) {
             greet(s);
             s.send(PeerSocket::Packet(2, wire::Ok() + QByteArray("\x05\0\0\1hello", 9)));
             s.readPacket();
         },
         kLost, kLost},
    };
    for (const Case& c : cases) {
        for (const bool prepared : {false, true}) {
            SCOPED_TRACE(std::string(c.fault) + (prepared ? ", prepared" : ", as text"));
            const Outcome outcome = run(c.script, prepared);
            EXPECT_EQ(outcome.message, prepared ? c.prepared : c.asText);
            EXPECT_FALSE(outcome.connected);
        }
    }
}

// A row value whose length runs megabytes past the end of its packet. The text protocol's reader
// refuses it; the binary protocol's decoder in the library does not check, and hands over an
// empty value. Either way nothing from beyond the packet reaches the result.
TEST(Peer, ARowValueRunningPastItsPacketShowsNothingFromBeyondIt)
{
    const auto script = oneRow(
        [](PeerSocket& s, const Rows& r) { s.sendPacket(4, r.row(QByteArray("\xFD\xFF\xFF\x7F" "abc", 7))); });
    const Outcome asText = run(script, false);
    EXPECT_EQ(asText.message, kMalformed);
    EXPECT_FALSE(asText.connected);
    const Outcome prepared = run(script, true);
    EXPECT_EQ(prepared.value, QByteArray(""));
}

} // namespace
