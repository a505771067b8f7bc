#pragma once

// A fake MySQL server of the test's own, for the misbehaviour a real server shows only rarely:
// it listens on port 3306 of a loopback address that nothing else uses, accepts one client and
// plays a scripted conversation with it on a thread of its own.

#include <QByteArray>
#include <QString>
#include <functional>
#include <thread>

// The accepted client, as the script sees it.
class PeerSocket {
public:
    explicit PeerSocket(int fd) : fd_(fd) {}

    void send(const QByteArray& bytes);
    // One packet: the 3-byte length and the sequence number, then the payload.
    void sendPacket(int sequence, const QByteArray& payload) { send(Packet(sequence, payload)); }
    // The payload of the next packet the client sends; empty when it closed the connection.
    QByteArray readPacket();
    // Waits until the client closes its end (or 60 seconds have gone by).
    void holdUntilClosed();

    static QByteArray Packet(int sequence, const QByteArray& payload);

private:
    bool readExactly(char* to, qsizetype n);

    int fd_;
};

class FakePeer {
public:
    using Script = std::function<void(PeerSocket&)>;

    // Starts listening on the first free address of 127.0.0.71 to 127.0.0.78.
    explicit FakePeer(Script script);
    ~FakePeer();
    FakePeer(const FakePeer&) = delete;
    FakePeer& operator=(const FakePeer&) = delete;

    QString host() const { return host_; }

private:
    int listener_ = -1;
    QString host_;
    std::thread thread_;
};

// Packets of the protocol, as a server sends them.
namespace wire {

// A protocol-10 greeting of a MariaDB server that offers the given authentication plugin, with
// the 20-byte scramble "abcdefghijklmnopqrst".
QByteArray Greeting(const QByteArray& plugin = "mysql_native_password");
QByteArray Ok();
QByteArray Error(int code, const QByteArray& state, const QByteArray& text);
QByteArray Eof();
// A request to answer the login again with another authentication plugin.
QByteArray AuthSwitch(const QByteArray& plugin, const QByteArray& data = {});
// A length-encoded string.
QByteArray String(const QByteArray& text);
// The definition of a VARCHAR result column with that name.
QByteArray Column(const QByteArray& name);

} // namespace wire
