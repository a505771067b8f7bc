#include "fake_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace {

constexpr int kFirstAddress = 71, kLastAddress = 78;
// How long the peer waits for its client to connect or to speak before it gives up.
constexpr int kPatienceMs = 60000;

bool readable(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, kPatienceMs) > 0;
}

QByteArray littleEndian(quint64 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out += char(value >> (8 * i) & 0xFF);
    return out;
}

} // namespace

void PeerSocket::send(const QByteArray& bytes)
{
    // The client may have given up already; what it does not read does not matter then.
    (void)::send(fd_, bytes.constData(), std::size_t(bytes.size()), MSG_NOSIGNAL);
}

bool PeerSocket::readExactly(char* to, qsizetype n)
{
    while (n > 0) {
        if (!readable(fd_))
            return false;
        const ssize_t got = recv(fd_, to, std::size_t(n), 0);
        if (got <= 0)
            return false;
        to += got;
        n -= got;
    }
    return true;
}

QByteArray PeerSocket::readPacket()
{
    unsigned char head[4];
    if (!readExactly(reinterpret_cast<char*>(head), 4))
        return {};
    QByteArray payload(head[0] | head[1] << 8 | head[2] << 16, Qt::Uninitialized);
    return readExactly(payload.data(), payload.size()) ? payload : QByteArray();
}

void PeerSocket::holdUntilClosed()
{
    char buffer[4096];
    while (readable(fd_) && recv(fd_, buffer, sizeof buffer, 0) > 0) {
    }
}

QByteArray PeerSocket::Packet(int sequence, const QByteArray& payload)
{
    return littleEndian(quint64(payload.size()), 3) + char(sequence) + payload;
}

FakePeer::FakePeer(Script script)
{
    for (int n = kFirstAddress; n <= kLastAddress && host_.isEmpty(); ++n) {
        const QByteArray address = "127.0.0." + QByteArray::number(n);
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(3306);
        inet_pton(AF_INET, address.constData(), &a.sin_addr);
        if (bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0 && listen(fd, 1) == 0) {
            listener_ = fd;
            host_ = QString::fromLatin1(address);
        } else {
            close(fd);
        }
    }
    if (host_.isEmpty())
        throw std::runtime_error("no free loopback address for a fake peer");
    thread_ = std::thread([this, script = std::move(script)] {
        if (!readable(listener_))
            return;
        const int client = accept(listener_, nullptr, nullptr);
        if (client < 0)
            return;
        PeerSocket socket(client);
        script(socket);
        close(client);
    });
}

FakePeer::~FakePeer()
{
    shutdown(listener_, SHUT_RDWR); // wakes the thread when no client came
    thread_.join();
    close(listener_);
}

namespace wire {

QByteArray Greeting(const QByteArray& plugin)
{
    const quint32 capabilities = 0x1 | 0x2 | 0x4 | 0x8  // long password, found rows, long flag, with db
                                 | 0x200 | 0x2000 | 0x8000   // 4.1 protocol, transactions, 4.1 auth
                                 | 0x10000 | 0x20000 | 0x80000; // multi statements and results, plugin auth
    return QByteArray(1, 10) + QByteArray("5.5.5-10.11.0-MariaDB-fake") + '\0' + littleEndian(42, 4)
        + "abcdefgh" + '\0' + littleEndian(capabilities & 0xFFFF, 2) + char(45) + littleEndian(2, 2)
        + littleEndian(capabilities >> 16, 2) + char(21) + QByteArray(10, '\0')
        + "ijklmnopqrst" + '\0' + plugin + '\0';
}

QByteArray Ok() { return QByteArray("\0\0\0\2\0\0\0", 7); }

QByteArray Error(int code, const QByteArray& state, const QByteArray& text)
{
    return char(0xFF) + littleEndian(quint64(code), 2) + '#' + state + text;
}

QByteArray Eof() { return QByteArray("\xFE\0\0\2\0", 5); }

QByteArray AuthSwitch(const QByteArray& plugin, const QByteArray& data) { return char(0xFE) + plugin + '\0' + data; }

QByteArray String(const QByteArray& text)
{
    Q_ASSERT(text.size() < 251);
    return char(text.size()) + text;
}

QByteArray Column(const QByteArray& name)
{
    return String("def") + String("") + String("") + String("") + String(name) + String(name) + char(0x0C)
        + littleEndian(45, 2) + littleEndian(255, 4) + char(0xFD) + littleEndian(0, 2) + char(0)
        + littleEndian(0, 2);
}

} // namespace wire
