#pragma once

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

// A telnet DX cluster of its own on the loopback interface: greets each connection with a banner and a
// login prompt, takes the call sign, then sends what the test gives it. Counts connections, keeps what the
// client sent, and can drop the connection as a cluster that goes away does.
class TFakeCluster : public QObject
{
public:
    // What a new connection gets first; the prompt ends without a line end, as clusters send it.
    QByteArray greeting = "\r\nWelcome to the GB7TEN DX Cluster\r\n\r\nlogin: ";
    // Sent once the call sign arrived.
    QByteArray afterLogin = "Hello Jane, this is GB7TEN in Hartford running DXSpider V1.57\r\n"
                            "K1ABC de GB7TEN 22-Jan-2024 1234Z dxspider >\r\n";
    // Close each connection as soon as it is greeted.
    bool dropAtOnce = false;

    QByteArray received; // everything the clients sent
    int connections = 0;

    TFakeCluster()
    {
        fServer.listen(QHostAddress::LocalHost, 0);
        connect(&fServer, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = fServer.nextPendingConnection()) {
                ++connections;
                fClient = client;
                client->write(greeting);
                if (dropAtOnce) {
                    client->disconnectFromHost();
                    continue;
                }
                connect(client, &QTcpSocket::readyRead, client, [this, client] {
                    const QByteArray bytes = client->readAll();
                    const bool first = !fLoggedIn;
                    received += bytes;
                    if (first && bytes.contains('\n')) {
                        fLoggedIn = true;
                        client->write(afterLogin);
                    }
                });
            }
        });
    }
    quint16 Port() const { return fServer.serverPort(); }
    bool LoggedIn() const { return fLoggedIn; }

    void Send(const QByteArray& bytes)
    {
        if (fClient) {
            fClient->write(bytes);
        }
    }
    void Drop()
    {
        if (fClient) {
            fClient->disconnectFromHost();
        }
        fLoggedIn = false;
    }
    void Close() { fServer.close(); }

private:
    QTcpServer fServer;
    QPointer<QTcpSocket> fClient;
    bool fLoggedIn = false;
};
