#include "support/faultproxy.h"

#include "core/services/config.h"
#include "core/services/database.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr unsigned char kComQuery = 0x03;
constexpr unsigned char kComStmtPrepare = 0x16;

int connectTo(const QString &host, quint16 port)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    const QByteArray name =
            (host.isEmpty() || host == QLatin1String("localhost")) ? QByteArray("127.0.0.1") : host.toUtf8();
    if (getaddrinfo(name.constData(), QByteArray::number(port).constData(), &hints, &found) != 0)
        return -1;
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd >= 0 && ::connect(fd, found->ai_addr, found->ai_addrlen) != 0) {
        close(fd);
        fd = -1;
    }
    freeaddrinfo(found);
    if (fd >= 0) {
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    return fd;
}

bool sendAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

// Splits a stream into MySQL packets (3-byte length, 1-byte sequence).
struct Packets
{
    std::vector<char> buffer;
    void add(const char *data, size_t size) { buffer.insert(buffer.end(), data, data + size); }
    // Length of the first whole packet in the buffer, 0 when incomplete.
    size_t first() const
    {
        if (buffer.size() < 4)
            return 0;
        const auto *b = reinterpret_cast<const unsigned char *>(buffer.data());
        const size_t length = size_t(b[0]) | size_t(b[1]) << 8 | size_t(b[2]) << 16;
        return buffer.size() >= 4 + length ? 4 + length : 0;
    }
    void drop(size_t size) { buffer.erase(buffer.begin(), buffer.begin() + long(size)); }
};

} // namespace

FaultProxy::FaultProxy()
{
    m_host = Config::instance().server;
    m_serverPort = Config::instance().port.isEmpty() ? 3306 : Config::instance().port.toUShort();
    m_listen = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (bind(m_listen, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        listen(m_listen, 16) != 0)
        throw std::runtime_error("proxy: cannot listen");
    socklen_t length = sizeof address;
    getsockname(m_listen, reinterpret_cast<sockaddr *>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { acceptLoop(); });
}

FaultProxy::~FaultProxy()
{
    m_stop = true;
    shutdown(m_listen, SHUT_RDWR);
    close(m_listen);
    m_acceptor.join();
    std::lock_guard<std::mutex> lock(m_mutex);
    for (std::thread &link : m_links)
        link.join();
}

void FaultProxy::arm(int n, Cut cut)
{
    m_count = 0;
    m_fired = false;
    m_cut = int(cut);
    m_cutAt = n;
}

void FaultProxy::acceptLoop()
{
    while (!m_stop) {
        pollfd p{m_listen, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        const int client = accept(m_listen, nullptr, nullptr);
        if (client < 0)
            continue;
        int one = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_links.emplace_back([this, client] { serve(client); });
    }
}

void FaultProxy::serve(int client)
{
    const int server = connectTo(m_host, m_serverPort);
    if (server < 0) {
        close(client);
        return;
    }
    Packets fromClient;
    bool awaitingAnswer = false; // the statement to cut after has gone to the server
    bool cut = false;
    char chunk[65536];
    while (!m_stop && !cut) {
        pollfd p[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        if (poll(p, 2, 100) <= 0)
            continue;
        if (p[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = recv(client, chunk, sizeof chunk, 0);
            if (n <= 0)
                break;
            fromClient.add(chunk, size_t(n));
            // Pass on whole packets, counting the statements among them.
            for (size_t size; !cut && (size = fromClient.first()) > 0;) {
                const auto *b = reinterpret_cast<const unsigned char *>(fromClient.buffer.data());
                const bool statement =
                        size > 4 && b[3] == 0 && (b[4] == kComQuery || b[4] == kComStmtPrepare);
                if (statement) {
                    const int number = ++m_count;
                    if (number == m_cutAt.load() && !m_fired) {
                        m_fired = true;
                        if (Cut(m_cut.load()) == Cut::BeforeStatement) {
                            cut = true;
                            break;
                        }
                        awaitingAnswer = true;
                    }
                }
                if (!sendAll(server, fromClient.buffer.data(), size)) {
                    cut = true;
                    break;
                }
                fromClient.drop(size);
            }
        }
        if (!cut && (p[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            const ssize_t n = recv(server, chunk, sizeof chunk, 0);
            if (n <= 0)
                break;
            if (awaitingAnswer) {
                // A request for a local file (0xFB, first packet of the
                // answer) is not yet the answer: the load runs after the
                // file has been sent.
                const auto *b = reinterpret_cast<const unsigned char *>(chunk);
                const bool fileRequest = n >= 5 && b[3] == 1 && b[4] == 0xFB;
                if (!fileRequest) {
                    cut = true;
                    break;
                }
            }
            if (!sendAll(client, chunk, size_t(n)))
                break;
        }
    }
    // Closing both ends: the client sees a lost connection, the server rolls
    // back what the connection had not committed.
    shutdown(client, SHUT_RDWR);
    shutdown(server, SHUT_RDWR);
    close(client);
    close(server);
}

ThroughProxy::ThroughProxy(FaultProxy &proxy)
    : m_port(Config::instance().port)
{
    Config::instance().port = QString::number(proxy.port());
    Conn::open();
}

ThroughProxy::~ThroughProxy()
{
    Config::instance().port = m_port;
    Conn::open();
}

void expectSameUnderEveryCut(const std::function<void()> &prepare, const std::function<void()> &command,
                             const std::function<QString()> &snapshot)
{
    FaultProxy proxy;
    ThroughProxy through(proxy);
    prepare();
    proxy.arm(0, FaultProxy::Cut::BeforeStatement);
    command();
    const int statements = proxy.statements();
    const QString expected = snapshot();
    ASSERT_GT(statements, 0);
    for (const FaultProxy::Cut cut : {FaultProxy::Cut::BeforeStatement, FaultProxy::Cut::AfterAnswer}) {
        for (int n = 1; n <= statements; ++n) {
            prepare();
            proxy.arm(n, cut);
            command();
            EXPECT_TRUE(proxy.fired()) << "statement " << n;
            EXPECT_EQ(snapshot().toStdString(), expected.toStdString())
                    << (cut == FaultProxy::Cut::BeforeStatement ? "cut before" : "answer lost after")
                    << " statement " << n << " of " << statements;
        }
    }
}
