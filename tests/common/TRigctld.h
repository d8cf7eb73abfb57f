#pragma once

#include <QProcess>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <optional>

// A port of the loopback interface that nothing listens on right now.
inline quint16 FreePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

// Hamlib's rigctld with its dummy rig on a port of the loopback interface, started and stopped by the test.
class TRigctld
{
public:
    explicit TRigctld(quint16 port) : fPort(port) {}
    ~TRigctld() { Stop(); }

    bool Start()
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
    void Stop()
    {
        if (fProcess.state() != QProcess::NotRunning) {
            fProcess.kill();
            fProcess.waitForFinished(5000);
        }
    }
    // Sets the rig through rigctl as another program of the station would: "F 28400000", "M USB 2400".
    bool Set(const QStringList& command) const { return Run(command).has_value(); }
    // What rigctl prints for a command ("f", "m"), nothing when it fails.
    std::optional<QString> Run(const QStringList& command) const
    {
        QProcess rigctl;
        rigctl.start(QStringLiteral("rigctl"),
                     QStringList{QStringLiteral("-m"), QStringLiteral("2"), QStringLiteral("-r"),
                                 QStringLiteral("127.0.0.1:%1").arg(fPort)} +
                         command);
        if (!rigctl.waitForFinished(10000) || rigctl.exitCode() != 0) {
            return std::nullopt;
        }
        return QString::fromLatin1(rigctl.readAllStandardOutput()).trimmed();
    }

private:
    quint16 fPort;
    QProcess fProcess;
};
