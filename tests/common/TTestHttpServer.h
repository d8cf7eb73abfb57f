#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>

class QTcpServer;
class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 for tests: answers GET requests from a handler and records every
// request it received. With SetSilent(true) it accepts connections and never answers.
class TTestHttpServer : public QObject
{
    Q_OBJECT

public:
    struct TRequest
    {
        QString path;
        QString query; // raw query text, as sent
        QMap<QString, QString> headers;
    };
    struct TResponse
    {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "text/xml; charset=utf-8";
        QMap<QByteArray, QByteArray> headers;
        // Without a Content-Length the body ends when the connection closes.
        bool announceLength = true;
        // When set, only this many bytes of the body are sent; the rest waits for ReleaseHeld().
        qsizetype holdAfter = -1;
        // Sends no Content-Length and repeats the body for as long as the client keeps reading.
        bool endless = false;
    };
    using THandler = std::function<TResponse(const TRequest&)>;

    explicit TTestHttpServer(QObject* parent = nullptr);
    ~TTestHttpServer() override;

    // Starts listening on a free port of 127.0.0.1 (or the given server, for TLS).
    bool Listen(QTcpServer* server = nullptr);
    quint16 Port() const;
    // "http://127.0.0.1:<port>" (or https when a TLS server was given) followed by the path.
    QUrl Url(const QString& path = QStringLiteral("/")) const;

    void SetHandler(THandler handler) { fHandler = std::move(handler); }
    void SetSilent(bool silent) { fSilent = silent; }
    const QList<TRequest>& Requests() const { return fRequests; }
    void ClearRequests() { fRequests.clear(); }
    // Sends the rest of every held reply and closes its connection.
    void ReleaseHeld();
    // Bytes of endless bodies written so far.
    qint64 StreamedBytes() const { return fStreamed; }

private:
    void OnNewConnection();
    void OnReadyRead(QTcpSocket* socket);

    QTcpServer* fServer = nullptr;
    bool fTls = false;
    bool fSilent = false;
    THandler fHandler;
    QList<TRequest> fRequests;
    QMap<QTcpSocket*, QByteArray> fBuffers;
    QMap<QTcpSocket*, QByteArray> fHeld;
    qint64 fStreamed = 0;
};
