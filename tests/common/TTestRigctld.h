#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTcpServer>

// A port of the loopback interface that nothing listens on right now.
quint16 FreeTcpPort();

// Hamlib's rigctld with its dummy rig on a port of the loopback interface, started and stopped by the test.
class TRigctld
{
public:
    explicit TRigctld(quint16 port) : fPort(port) {}
    ~TRigctld() { Stop(); }
    TRigctld(const TRigctld&) = delete;
    TRigctld& operator=(const TRigctld&) = delete;

    // Starts rigctld -m 1 and waits until it takes connections.
    bool Start();
    void Stop();
    // Sets the rig through rigctl as another program of the station would: "F 28400000", "M USB 2400".
    bool Set(const QStringList& command) const;
    quint16 Port() const { return fPort; }

private:
    quint16 fPort;
    QProcess fProcess;
};

// A rigctld of its own on the loopback interface that answers "f" with whatever the test says, and "m" as
// rigctld does (mode and passband); or, flooding, sends without end once a client connects.
class TFakeRigctld : public QObject
{
public:
    QByteArray frequency = "28074000";
    bool flood = false;
    qint64 written = 0;

    TFakeRigctld();
    quint16 Port() const { return fServer.serverPort(); }

private:
    QTcpServer fServer;
};
