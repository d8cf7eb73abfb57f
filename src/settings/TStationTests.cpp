#include "TStationTests.h"

#include "data/Errors.h"
#include "feeds/TFeedQueue.h"
#include "feeds/TLoggingServer.h"
#include "feeds/TRigControl.h"
#include "feeds/TWsjtxListener.h"
#include "update/RosterUpdate.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTcpSocket>
#include <QTimer>

namespace {

const char* const kTimedOut = "vantrelTimedOut";
const char* const kHeadersRead = "vantrelHeadersRead";

QString Seconds(int ms)
{
    return QString::number(ms / 1000.0, 'g', 3);
}

} // namespace

TStationTests::TStationTests(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<TStationTestResult>();
}

TStationTests::~TStationTests()
{
    // Nothing of a test still under way may report to an object that is going away.
    for (const QPointer<QNetworkReply>& reply : std::as_const(fReplies)) {
        if (reply) {
            reply->disconnect(this);
            reply->abort();
            delete reply;
        }
    }
    if (fRigSocket) {
        fRigSocket->disconnect(this);
        delete fRigSocket;
    }
}

TStationTestResult TStationTests::TestServerPort(quint16 port)
{
    TFeedQueue queue;
    TLoggingServer server(queue, [](const TServerCommand&) {});
    try {
        server.Open(port);
    } catch (const EVantrel& e) {
        return {false, QStringLiteral("Port %1 cannot be used: %2").arg(port).arg(e.Message())};
    }
    server.Close();
    return {true, QStringLiteral("Port %1 is free: the logging server can listen on it.").arg(port)};
}

TStationTestResult TStationTests::TestWsjtxPort(quint16 port, const QString& group, bool allAddresses)
{
    TFeedQueue queue;
    TWsjtxListener listener(queue, [](const QByteArray&) {});
    try {
        listener.Open(port, group.trimmed(), allAddresses);
    } catch (const EVantrel& e) {
        return {false, QStringLiteral("Port %1 cannot be used: %2").arg(port).arg(e.Message())};
    }
    listener.Close();
    return {true,
            group.trimmed().isEmpty()
                ? QStringLiteral("Port %1 is free: WSJT-X logging can listen on it.").arg(port)
                : QStringLiteral("Port %1 is free and the group %2 can be joined.").arg(port).arg(group)};
}

void TStationTests::TestRig(const QString& host, quint16 port)
{
    if (fRigSocket) {
        fRigSocket->disconnect(this);
        fRigSocket->abort();
        fRigSocket->deleteLater();
    }
    fRigWhere = QStringLiteral("%1:%2").arg(host.trimmed()).arg(port);
    fRigSocket = new QTcpSocket(this);
    QTcpSocket* socket = fRigSocket;
    auto* timer = new QTimer(socket);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this] {
        RigFinished({false, QStringLiteral("rigctld at %1 did not answer within %2 s.")
                                .arg(fRigWhere, Seconds(fRigTimeoutMs))});
    });
    connect(socket, &QTcpSocket::connected, this, [socket] { socket->write("f\n"); });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > TRigControl::kMaxReadPerPoll) {
                RigFinished(
                    {false,
                     QStringLiteral("rigctld at %1 sends far more than it was asked for.").arg(fRigWhere)});
            }
            return;
        }
        const QByteArray line = socket->readLine(TRigControl::kMaxReadPerPoll).trimmed();
        if (const auto hertz = RigFrequency(line)) {
            RigFinished(
                {true, QStringLiteral("rigctld at %1 answers: %2.").arg(fRigWhere, FrequencyText(*hertz))});
        } else {
            RigFinished({false, QStringLiteral("rigctld at %1 answered \"%2\", which is no frequency.")
                                    .arg(fRigWhere, QString::fromLatin1(line.left(60)))});
        }
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] {
        RigFinished(
            {false,
             QStringLiteral("No connection to rigctld at %1: %2.").arg(fRigWhere, socket->errorString())});
    });
    timer->start(fRigTimeoutMs);
    socket->connectToHost(host.trimmed(), port);
}

void TStationTests::RigFinished(const TStationTestResult& result)
{
    QTcpSocket* socket = fRigSocket;
    if (!socket) {
        return;
    }
    fRigSocket = nullptr;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    emit RigTested(result);
}

QUrl TStationTests::ServiceTestUrl(TStationField field, const QString& text)
{
    QString address = text.trimmed();
    const auto underServer = [&](TRoster roster) {
        while (address.endsWith('/')) {
            address.chop(1);
        }
        return QUrl(address + RosterPath(roster));
    };
    switch (field) {
    case TStationField::RosterServer:
        return underServer(TRoster::TenTen);
    case TStationField::EpcServer:
        return underServer(TRoster::EPC);
    default:
        return QUrl(address);
    }
}

bool TStationTests::IsTestingService(TStationField field) const
{
    return fReplies.value(field) != nullptr;
}

void TStationTests::TestService(TStationField field, const QUrl& url)
{
    if (QNetworkReply* old = fReplies.value(field)) {
        old->disconnect(this);
        old->abort();
        old->deleteLater();
    }
    QNetworkRequest request(url);
    request.setRawHeader("Cache-Control", "no-cache");
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Vantrel"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    // Each test has a network access of its own, so that a connection another test just abandoned (a
    // body still streaming in) is never the one this request waits for.
    auto* manager = new QNetworkAccessManager(this);
    QNetworkReply* reply = manager->get(request);
    connect(reply, &QObject::destroyed, manager, &QObject::deleteLater);
    fReplies.insert(field, reply);
    // The status is all the test needs: the body (a whole roster) is not fetched.
    connect(reply, &QNetworkReply::readyRead, this, [reply] {
        if (!reply->property(kHeadersRead).toBool()) {
            reply->setProperty(kHeadersRead, true);
            // Ended once the reply's own reading is over.
            QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
        }
    });
    connect(reply, &QNetworkReply::finished, this,
            [this, field, reply] { ServiceFinished(field, reply, reply->property(kTimedOut).toBool()); });
    auto* timer = new QTimer(reply);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, reply, [reply] {
        reply->setProperty(kTimedOut, true);
        reply->abort();
    });
    timer->start(fServiceTimeoutMs);
}

void TStationTests::ServiceFinished(TStationField field, QNetworkReply* reply, bool timedOut)
{
    if (fReplies.value(field) == reply) {
        fReplies.remove(field);
    }
    reply->disconnect(this);
    reply->deleteLater();
    const QString host = reply->url().host();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString phrase = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    TStationTestResult result;
    if (timedOut) {
        result = {false,
                  QStringLiteral("No answer from %1 within %2 s.").arg(host, Seconds(fServiceTimeoutMs))};
    } else if (status >= 200 && status < 300) {
        result = {true,
                  QStringLiteral("%1 answers: HTTP %2 %3.").arg(host).arg(status).arg(phrase).simplified()};
    } else if (status > 0) {
        result = {false,
                  QStringLiteral("%1 answers HTTP %2 %3: the address is wrong or the file is not there.")
                      .arg(host)
                      .arg(status)
                      .arg(phrase)};
    } else if (reply->property(kHeadersRead).toBool()) {
        result = {true, QStringLiteral("%1 answers.").arg(host)};
    } else {
        result = {false, QStringLiteral("No answer from %1: %2.").arg(host, reply->errorString())};
    }
    emit ServiceTested(field, result);
}
