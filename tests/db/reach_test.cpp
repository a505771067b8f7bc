// Connecting to hosts that are not MySQL servers: nobody listening, no such name, and peers of the
// test's own that answer wrongly or not at all.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QByteArray>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "my_connection.h"
#include "raises.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

sockaddr_in endpoint(const char* address)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(3306);
    inet_pton(AF_INET, address, &a.sin_addr);
    return a;
}

// A TCP listener on port 3306 of a loopback address of its own.
class FakePeer {
public:
    FakePeer(const char* address, int backlog) : address_(address), fd_(socket(AF_INET, SOCK_STREAM, 0))
    {
        const int on = 1;
        setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        const sockaddr_in a = endpoint(address);
        if (bind(fd_, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 || listen(fd_, backlog) != 0)
            throw std::runtime_error(std::string("cannot listen on ") + address);
    }
    ~FakePeer() { close(fd_); }

    // Accepts one connection, sends `reply` on it and closes it.
    void answerOnce(const QByteArray& reply)
    {
        const int client = accept(fd_, nullptr, nullptr);
        if (::send(client, reply.constData(), std::size_t(reply.size()), MSG_NOSIGNAL) != reply.size())
            ADD_FAILURE() << "fake peer could not send";
        close(client);
    }

    // A connection to the peer that is never accepted.
    int connectWithoutAccept() const
    {
        const int client = socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in a = endpoint(address_);
        if (::connect(client, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0)
            throw std::runtime_error("cannot connect to the fake peer");
        return client;
    }

    int fd() const { return fd_; }

private:
    const char* address_;
    int fd_;
};

QString connectError(const QString& host, TMyConnection& connection)
{
    connection.Server = host;
    connection.Username = QStringLiteral("someone");
    connection.Password = QStringLiteral("Secret-9");
    return raised([&] { connection.Connect(); });
}

TEST(Reach, HostsThatCannotBeReachedGiveTheCantConnectForm)
{
    struct Case {
        QString host;
        QString message;
    };
    const Case cases[] = {
        // nothing listens there: the socket's connect fails with ECONNREFUSED
        {"127.0.0.32", "Can't connect to MySQL server on '127.0.0.32' (10061)\r\n"
                       "Socket error on connect. WSAGetLastError return 111($6F)"},
        // the name cannot be looked up: no socket was tried
        {"nosuch.invalid", "Can't connect to MySQL server on 'nosuch.invalid' (10061)"},
        // a port in the host text is part of the name
        {"127.0.0.32:3306", "Can't connect to MySQL server on '127.0.0.32:3306' (10061)"},
    };
    for (const Case& c : cases) {
        TMyConnection connection;
        EXPECT_EQ(connectError(c.host, connection), c.message);
        EXPECT_FALSE(connection.Connected());
    }
}

// A server that refuses a client before its greeting sends an error without SQLSTATE.
TEST(Reach, AnErrorInPlaceOfTheGreetingComesWithoutState)
{
    const QByteArray text = "Host '127.0.0.1' is not allowed to connect to this MariaDB server";
    QByteArray packet = QByteArray("\xff\x6a\x04", 3) + text;
    packet.prepend(QByteArray(1, char(packet.size())) + QByteArray("\0\0\0", 3));
    FakePeer peer("127.0.0.34", 1);
    std::thread answer([&] { peer.answerOnce(packet); });
    TMyConnection connection;
    EXPECT_EQ(connectError("127.0.0.34", connection), "\r\n" + QString::fromLatin1(text));
    EXPECT_FALSE(connection.Connected());
    answer.join();
}

TEST(Reach, APeerSpeakingAnotherProtocolIsNoServer)
{
    FakePeer peer("127.0.0.35", 1);
    std::thread answer([&] { peer.answerOnce("HTTP/1.1 400 Bad Request\r\n\r\n"); });
    TMyConnection connection;
    EXPECT_EQ(connectError("127.0.0.35", connection), "Lost connection to MySQL server during query");
    EXPECT_FALSE(connection.Connected());
    answer.join();
}

// The TCP connect may take longer than 15 seconds: a full accept queue makes the peer's kernel drop
// the connection's SYNs until the first one retransmitted after the queue is emptied at 16 seconds.
// The login then waits 15 seconds for the silent peer's greeting and gives up.
TEST(Reach, TheConnectWaitsAsLongAsItTakesAndTheLoginGivesUpAfter15Seconds)
{
    FakePeer peer("127.0.0.33", 0);
    const int filler = peer.connectWithoutAccept();
    const auto start = Clock::now();
    std::atomic<double> acceptedAfter = 0;
    std::thread server([&] {
        std::this_thread::sleep_for(std::chrono::seconds(16));
        close(accept(peer.fd(), nullptr, nullptr)); // the filler: the queue has room again
        const int ours = accept(peer.fd(), nullptr, nullptr);
        acceptedAfter = secondsSince(start);
        char byte;
        recv(ours, &byte, 1, 0); // silent until the client gives up
        close(ours);
    });
    TMyConnection connection;
    EXPECT_EQ(connectError("127.0.0.33", connection),
              "Lost connection to MySQL server during query\r\n"
              "Socket error on read. WSAGetLastError return 110($6E)");
    const double failedAfter = secondsSince(start);
    server.join();
    close(filler);
    EXPECT_FALSE(connection.Connected());
    EXPECT_GT(acceptedAfter, 16.0);
    EXPECT_GE(failedAfter - acceptedAfter, 14.9);
    EXPECT_LT(failedAfter - acceptedAfter, 17.0);
}

} // namespace
