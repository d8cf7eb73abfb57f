#include "TLoggingServer.h"

#include "data/Errors.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QVariant>

TLoggingServer::TLoggingServer(THandler handler, QObject* parent)
    : QObject(parent), fHandler(std::move(handler))
{}

TLoggingServer::~TLoggingServer() = default;

void TLoggingServer::Open(quint16 port)
{
    Close();
    auto* socket = new QUdpSocket(this);
    // The port is this program's alone: a second listener on it would take datagrams meant for this one.
    if (!socket->bind(QHostAddress::Any, port, QAbstractSocket::DontShareAddress)) {
        const QString error = socket->errorString();
        delete socket;
        throw EVantrel(error);
    }
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(kReceiveBufferSize));
    // The commands are handled after the readiness signal has returned: inside it the socket would
    // not report further datagrams while a message box of the handler is open.
    connect(socket, &QUdpSocket::readyRead, this, [this] {
        Drain();
        ScheduleHandling();
    });
    fSocket = socket;
}

void TLoggingServer::Close()
{
    if (!fSocket) {
        return;
    }
    // What the system has received already is kept for the handler.
    Drain();
    fSocket->close();
    fSocket->deleteLater();
    fSocket = nullptr;
    ScheduleHandling();
}

bool TLoggingServer::IsOpen() const
{
    return fSocket != nullptr;
}

quint16 TLoggingServer::LocalPort() const
{
    return fSocket ? fSocket->localPort() : 0;
}

void TLoggingServer::SetHeld(bool held)
{
    fHeld = held;
    if (!held) {
        Drain();
        ScheduleHandling();
    }
}

void TLoggingServer::ScheduleHandling()
{
    if (fScheduled || fHandling || fHeld || fQueue.empty()) {
        return;
    }
    fScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            fScheduled = false;
            HandleQueue();
        },
        Qt::QueuedConnection);
}

void TLoggingServer::Drain()
{
    if (!fSocket) {
        return;
    }
    while (fSocket->hasPendingDatagrams()) {
        const qint64 size = fSocket->pendingDatagramSize();
        if (size > kMaxDatagramSize) {
            // Read and thrown away: only the size is wanted.
            fSocket->receiveDatagram(0);
            ++fReceived;
            ++fDropped;
            continue;
        }
        const QNetworkDatagram datagram = fSocket->receiveDatagram(qMax<qint64>(size, 0));
        if (!datagram.isValid()) {
            break;
        }
        ++fReceived;
        fQueue.push_back(datagram.data());
    }
}

void TLoggingServer::HandleQueue()
{
    if (fHandling || fHeld) {
        return;
    }
    fHandling = true;
    // Cleared again however the handler leaves.
    struct TDone
    {
        bool& flag;
        ~TDone() { flag = false; }
    } done{fHandling};
    while (!fHeld) {
        Drain();
        if (fQueue.empty()) {
            break;
        }
        const QByteArray payload = std::move(fQueue.front());
        fQueue.pop_front();
        const TServerCommand command = ParseDatagram(payload);
        if (command.kind == TServerCommandKind::None) {
            ++fDropped;
            continue;
        }
        QElapsedTimer timer;
        timer.start();
        fHandler(command);
        emit CommandHandled(command.kind, timer.nsecsElapsed());
    }
}
