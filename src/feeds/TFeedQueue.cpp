#include "TFeedQueue.h"

#include <QUdpSocket>

int TFeedQueue::Attach(QUdpSocket* socket, TDrain drain)
{
    connect(socket, &QUdpSocket::readyRead, this, [this, drain] {
        drain();
        Schedule();
    });
    fDrains.emplace_back(fNextDrain, std::move(drain));
    return fNextDrain++;
}

void TFeedQueue::Detach(int id)
{
    for (const auto& [drainId, drain] : fDrains) {
        if (drainId == id) {
            drain();
            break;
        }
    }
    Forget(id);
    Schedule();
}

void TFeedQueue::Forget(int id)
{
    for (auto it = fDrains.begin(); it != fDrains.end(); ++it) {
        if (it->first == id) {
            fDrains.erase(it);
            return;
        }
    }
}

void TFeedQueue::Push(QByteArray payload, THandler handler)
{
    fQueue.push_back({std::move(payload), std::move(handler)});
}

void TFeedQueue::Schedule()
{
    if (fScheduled || fHandling || fHeld || fQueue.empty()) {
        return;
    }
    fScheduled = true;
    // Handled after the socket's readiness signal has returned: inside it the socket would not report
    // further datagrams while a message box of a handler is open.
    QMetaObject::invokeMethod(
        this,
        [this] {
            fScheduled = false;
            HandleQueue();
        },
        Qt::QueuedConnection);
}

void TFeedQueue::SetHeld(bool held)
{
    fHeld = held;
    if (!held) {
        DrainAll();
        Schedule();
    }
}

void TFeedQueue::DrainAll()
{
    // A drain may remove itself (its listener closing): walk a copy.
    const auto drains = fDrains;
    for (const auto& [id, drain] : drains) {
        drain();
    }
}

void TFeedQueue::HandleQueue()
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
        DrainAll();
        if (fQueue.empty()) {
            break;
        }
        TItem item = std::move(fQueue.front());
        fQueue.pop_front();
        item.handler(item.payload);
    }
}

TFeedSocket::~TFeedSocket()
{
    if (fDrain) {
        fQueue.Forget(fDrain);
    }
}

void TFeedSocket::Attach(QUdpSocket* socket, TFeedQueue::TDrain drain)
{
    Close();
    fSocket = socket;
    fDrain = fQueue.Attach(socket, std::move(drain));
}

void TFeedSocket::Close()
{
    if (!fSocket) {
        return;
    }
    fQueue.Detach(fDrain);
    fDrain = 0;
    fSocket->close();
    fSocket->deleteLater();
    fSocket = nullptr;
}

quint16 TFeedSocket::LocalPort() const
{
    return fSocket ? fSocket->localPort() : 0;
}
