#include "TFeedQueue.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QUdpSocket>
#include <QVariant>

int TFeedQueue::Attach(QUdpSocket* socket, TDrain drain)
{
    connect(socket, &QUdpSocket::readyRead, this, [this, drain] {
        drain();
        Schedule();
    });
    // After a flood a socket can stop signalling with datagrams waiting in it (seen with Qt 6.4: the
    // readiness notifier stays off until the next read), and then nothing would ever read it again. A
    // steady look at the socket reads what waits there, which also wakes the signal again.
    auto* recheck = new QTimer(socket);
    recheck->setInterval(kRecheckMs);
    connect(recheck, &QTimer::timeout, this, [this, socket, drain] {
        if (socket->state() == QAbstractSocket::BoundState && socket->hasPendingDatagrams()) {
            drain();
            Schedule();
        }
    });
    recheck->start();
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

void TFeedQueue::SetLimits(qsizetype items, qsizetype bytes)
{
    fMaxItems = items;
    fMaxBytes = bytes;
}

void TFeedQueue::Append(TItem item)
{
    fBytes += item.payload.size();
    fQueue.push_back(std::move(item));
}

bool TFeedQueue::Push(QByteArray payload, THandler handler, bool contact)
{
    if (Size() >= fMaxItems || fBytes + payload.size() > fMaxBytes) {
        CountDropped(contact);
        return false;
    }
    Append({std::move(payload), std::move(handler)});
    return true;
}

void TFeedQueue::PushStandIn(QByteArray payload, THandler handler)
{
    if (!fQueue.empty() && fQueue.back().standIn) {
        return;
    }
    Append({std::move(payload), std::move(handler), true});
}

void TFeedQueue::CountDropped(bool contact)
{
    if (contact) {
        ++fDroppedContacts;
    } else {
        ++fDroppedOthers;
    }
    // One report for a whole burst of drops, once the drain that dropped them is done.
    if (!fDropReported) {
        fDropReported = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                fDropReported = false;
                emit Dropped();
            },
            Qt::QueuedConnection);
    }
}

void TFeedQueue::Schedule()
{
    if (fScheduled || fHandling || fHeld || fQueue.empty()) {
        return;
    }
    fScheduled = true;
    // Handled after the socket's readiness signal has returned: inside it the socket would not report
    // further datagrams while a handler runs a nested event loop.
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
    bool more = false;
    {
        fHandling = true;
        // Cleared again however the handler leaves.
        struct TDone
        {
            bool& flag;
            ~TDone() { flag = false; }
        } done{fHandling};
        QElapsedTimer slice;
        slice.start();
        while (!fHeld) {
            DrainAll();
            if (fQueue.empty()) {
                break;
            }
            if (slice.elapsed() >= kSliceMs) {
                // The rest after the window's own events (painting, keys, timers) have had their turn.
                more = true;
                break;
            }
            TItem item = std::move(fQueue.front());
            fQueue.pop_front();
            fBytes -= item.payload.size();
            item.handler(item.payload);
        }
    }
    if (more) {
        Schedule();
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
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(kReceiveBufferSize));
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
