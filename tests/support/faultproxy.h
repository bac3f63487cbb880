#pragma once

#include <QString>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// A loopback TCP proxy between the client and the test server that can cut
// the client's connection at a chosen statement:
//  - BeforeStatement: the statement never reaches the server;
//  - AfterAnswer: the server has run it and answered, but the answer is
//    dropped, so the client cannot tell whether it was applied.
// Statements are the client's command packets that carry SQL (text queries
// and prepared-statement preparations), counted from the last arm().
class FaultProxy
{
public:
    enum class Cut { BeforeStatement, AfterAnswer };

    // Listens on 127.0.0.1 (an ephemeral port) and forwards to the server
    // the client would otherwise reach (Config's server and port).
    FaultProxy();
    ~FaultProxy();
    FaultProxy(const FaultProxy &) = delete;
    FaultProxy &operator=(const FaultProxy &) = delete;

    quint16 port() const { return m_port; }

    // Counts statements from zero again and cuts at the n-th (1-based);
    // n = 0 only counts. One cut per arm.
    void arm(int n, Cut cut);
    int statements() const { return m_count.load(); }
    bool fired() const { return m_fired.load(); }

private:
    struct Link;
    void acceptLoop();
    void serve(int client);

    int m_listen = -1;
    quint16 m_port = 0;
    QString m_host;
    quint16 m_serverPort = 3306;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_count{0};
    std::atomic<int> m_cutAt{0};
    std::atomic<int> m_cut{0};
    std::atomic<bool> m_fired{false};
    std::mutex m_mutex;
    std::thread m_acceptor;
    std::vector<std::thread> m_links;
};

// Points the client's connection (`Conn`) at a proxy for its lifetime and
// opens it there; the previous port comes back (and Conn is reopened) after.
class ThroughProxy
{
public:
    explicit ThroughProxy(FaultProxy &proxy);
    ~ThroughProxy();

private:
    QString m_port;
};

// Runs `command` once without a cut, counting its statements, and records
// snapshot(); then, for every one of those statements and both kinds of cut,
// prepares the rows afresh, runs the command cut there and expects the same
// snapshot: the change made exactly once whatever the link did.
// `command` runs as a screen runs it (through the handler convention).
void expectSameUnderEveryCut(const std::function<void()> &prepare, const std::function<void()> &command,
                             const std::function<QString()> &snapshot);
