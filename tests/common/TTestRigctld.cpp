#include "TTestRigctld.h"

#include <QTcpSocket>
#include <QTest>

quint16 FreeTcpPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

bool TRigctld::Start()
{
    fProcess.start(QStringLiteral("rigctld"),
                   {QStringLiteral("-m"), QStringLiteral("1"), QStringLiteral("-T"),
                    QStringLiteral("127.0.0.1"), QStringLiteral("-t"), QString::number(fPort)});
    if (!fProcess.waitForStarted(5000)) {
        return false;
    }
    // Ready once it takes connections.
    for (int i = 0; i < 100; ++i) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, fPort);
        if (probe.waitForConnected(100)) {
            return true;
        }
        QTest::qWait(50);
    }
    return false;
}

void TRigctld::Stop()
{
    if (fProcess.state() != QProcess::NotRunning) {
        fProcess.kill();
        fProcess.waitForFinished(5000);
    }
}

bool TRigctld::Set(const QStringList& command) const
{
    QProcess rigctl;
    rigctl.start(QStringLiteral("rigctl"),
                 QStringList{QStringLiteral("-m"), QStringLiteral("2"), QStringLiteral("-r"),
                             QStringLiteral("127.0.0.1:%1").arg(fPort)} +
                     command);
    return rigctl.waitForFinished(10000) && rigctl.exitCode() == 0;
}

TFakeRigctld::TFakeRigctld()
{
    fServer.listen(QHostAddress::LocalHost, 0);
    connect(&fServer, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* client = fServer.nextPendingConnection()) {
            if (flood) {
                const auto more = [this, client] {
                    while (client->bytesToWrite() < 1024 * 1024) {
                        written += client->write(QByteArray("28074000\n").repeated(8000));
                    }
                };
                connect(client, &QTcpSocket::bytesWritten, client, more);
                more();
                continue;
            }
            connect(client, &QTcpSocket::readyRead, client, [this, client] {
                while (client->canReadLine()) {
                    const QByteArray command = client->readLine().trimmed();
                    if (command == "f") {
                        client->write(frequency + '\n');
                    } else if (command == "m") {
                        client->write("USB\n2400\n");
                    }
                }
            });
        }
    });
}
