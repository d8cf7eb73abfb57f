#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <atomic>
#include <thread>

// An HTTP server on 127.0.0.1 that runs on a thread of its own and writes its body as fast as the client's
// connection takes it, as a hostile or broken server on another machine would. (TTestHttpServer runs on
// the test's own thread, so it can only write while the client's event loop lets it.) Every request gets
// the same reply.
class THostileHttpServer
{
public:
    enum class TBody
    {
        // "Transfer-Encoding: chunked", chunk after chunk, never the last one.
        EndlessChunked,
        // No length; the body goes on until the client closes the connection.
        EndlessUnannounced,
        // A Content-Length of `size` and exactly that many bytes.
        Sized,
        // A Content-Length of `size`, half of it sent, then the connection closed.
        Truncated
    };

    // pattern: the text the body repeats.
    THostileHttpServer(TBody body, const QByteArray& pattern, qint64 size = 0);
    ~THostileHttpServer();
    THostileHttpServer(const THostileHttpServer&) = delete;
    THostileHttpServer& operator=(const THostileHttpServer&) = delete;

    bool IsListening() const { return fListen >= 0; }
    // "http://127.0.0.1:<port>" followed by the path.
    QUrl Url(const QString& path) const;
    // Body bytes written to the clients so far.
    qint64 Written() const { return fWritten; }

private:
    void Serve();
    void Answer(int client);

    TBody fBody;
    QByteArray fPattern;
    qint64 fSize;
    int fListen = -1;
    quint16 fPort = 0;
    std::atomic<bool> fStop{false};
    std::atomic<qint64> fWritten{0};
    std::thread fThread;
};
