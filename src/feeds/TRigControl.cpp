#include "TRigControl.h"

#include <QLoggingCategory>
#include <QTcpSocket>
#include <QTimer>
#include <cmath>

Q_LOGGING_CATEGORY(lcRig, "vantrel.rig")

namespace {

// A reply line longer than this is no rigctld answer: the connection is dropped and made again.
constexpr qsizetype kMaxLine = 1024;

} // namespace

QString FormModeForRig(const QString& rigMode, const QString& digitalMode)
{
    const QString mode = rigMode.trimmed().toUpper();
    if (mode == QLatin1String("USB") || mode == QLatin1String("LSB") || mode == QLatin1String("SAM") ||
        mode == QLatin1String("SAL") || mode == QLatin1String("SAH") || mode == QLatin1String("DSB")) {
        return QStringLiteral("SSB");
    }
    if (mode == QLatin1String("CW") || mode == QLatin1String("CWR")) {
        return QStringLiteral("CW");
    }
    if (mode == QLatin1String("FM") || mode == QLatin1String("WFM") || mode == QLatin1String("FMN")) {
        return QStringLiteral("FM");
    }
    if (mode == QLatin1String("AM") || mode == QLatin1String("AMN") || mode == QLatin1String("AMS")) {
        return QStringLiteral("AM");
    }
    if (mode == QLatin1String("RTTY") || mode == QLatin1String("RTTYR")) {
        return QStringLiteral("RTTY");
    }
    if (mode.startsWith(QLatin1String("PKT")) || mode.startsWith(QLatin1String("DATA")) ||
        mode.startsWith(QLatin1String("PSK")) || mode == QLatin1String("FAX")) {
        return digitalMode;
    }
    return QString();
}

QString DigitalModeOfLog(const QString& logMode)
{
    const QString mode = logMode.trimmed().toUpper();
    for (const char* voice : {"", "SSB", "CW", "AM", "FM", "MIXED", "PHONE"}) {
        if (mode == QLatin1String(voice)) {
            return QStringLiteral("FT8");
        }
    }
    return logMode.trimmed();
}

bool IsTenMetres(qint64 hertz)
{
    return hertz >= 28000000 && hertz <= 29700000;
}

std::optional<qint64> RigFrequency(QByteArrayView line)
{
    bool ok = false;
    const double hertz = line.trimmed().toDouble(&ok);
    // Checked before it becomes a whole number: a cast of nan, inf or 1e300 to an integer is undefined.
    if (!ok || !std::isfinite(hertz) || hertz <= 0 || hertz >= 1e12) {
        return std::nullopt;
    }
    return qint64(std::llround(hertz));
}

QString FrequencyText(qint64 hertz)
{
    return QString::number(double(hertz) / 1e6, 'f', 5) + QStringLiteral(" MHz");
}

TRigControl::TRigControl(QObject* parent) : QObject(parent)
{
    fPollTimer = new QTimer(this);
    fPollTimer->setInterval(1000);
    connect(fPollTimer, &QTimer::timeout, this, &TRigControl::Poll);
    fRetryTimer = new QTimer(this);
    fRetryTimer->setSingleShot(true);
    connect(fRetryTimer, &QTimer::timeout, this, &TRigControl::Connect);
    fReplyTimer = new QTimer(this);
    fReplyTimer->setSingleShot(true);
    connect(fReplyTimer, &QTimer::timeout, this, [this] {
        ConnectionLost(
            fBadAnswer.isEmpty()
                ? QStringLiteral("rigctld did not answer")
                : QStringLiteral("rigctld answered \"%1\", which is no frequency").arg(fBadAnswer));
    });
}

TRigControl::~TRigControl()
{
    Stop();
}

void TRigControl::SetPollInterval(int ms)
{
    fPollTimer->setInterval(ms);
}

void TRigControl::Start(const QString& host, quint16 port)
{
    Stop();
    fHost = host;
    fPort = port;
    SetState(TState::Connecting);
    Connect();
}

void TRigControl::Stop()
{
    fPollTimer->stop();
    fRetryTimer->stop();
    fReplyTimer->stop();
    if (fSocket) {
        fSocket->disconnect(this);
        fSocket->abort();
        fSocket->deleteLater();
        fSocket = nullptr;
    }
    fBuffer.clear();
    fExpected.clear();
    fBadAnswer.clear();
    fFrequency = 0;
    fMode.clear();
    SetState(TState::Off);
}

void TRigControl::Connect()
{
    if (fSocket) {
        fSocket->disconnect(this);
        fSocket->abort();
        fSocket->deleteLater();
    }
    fBuffer.clear();
    fExpected.clear();
    fReadSincePoll = 0;
    fSocket = new QTcpSocket(this);
    // Qt takes no more from the system than a poll may read; the rest waits there (and a flooding
    // rigctld is slowed down by TCP itself).
    fSocket->setReadBufferSize(kMaxReadPerPoll);
    connect(fSocket, &QTcpSocket::connected, this, [this] {
        qCDebug(lcRig) << "connected to" << fHost << fPort;
        fReplyTimer->stop();
        Poll();
        fPollTimer->start();
    });
    connect(fSocket, &QTcpSocket::readyRead, this, &TRigControl::ReadReplies);
    connect(fSocket, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError) { ConnectionLost(fSocket->errorString()); });
    connect(fSocket, &QTcpSocket::disconnected, this,
            [this] { ConnectionLost(QStringLiteral("rigctld closed the connection")); });
    // A host that does not answer at all counts as lost after the reply timeout.
    fReplyTimer->start(fReplyTimeout);
    fSocket->connectToHost(fHost, fPort);
}

void TRigControl::Poll()
{
    if (!fSocket || fSocket->state() != QAbstractSocket::ConnectedState) {
        return;
    }
    // One question at a time: a rig that answers slowly is not flooded.
    if (!fExpected.empty()) {
        return;
    }
    fExpected = {TReply::Frequency, TReply::Mode, TReply::Passband};
    fReadSincePoll = 0;
    fSocket->write("f\nm\n");
    // A rigctld that keeps answering with no frequency is lost once the timeout has run from its first
    // such answer: the timer is not started again meanwhile.
    if (!fReplyTimer->isActive()) {
        fReplyTimer->start(fReplyTimeout);
    }
}

void TRigControl::ReadReplies()
{
    if (!fSocket) {
        return;
    }
    const QByteArray chunk = fSocket->read(kMaxReadPerPoll - fReadSincePoll + 1);
    fReadSincePoll += chunk.size();
    fBytesRead += chunk.size();
    if (fReadSincePoll > kMaxReadPerPoll) {
        ConnectionLost(QStringLiteral("rigctld sends far more than it was asked for"));
        return;
    }
    fBuffer += chunk;
    qsizetype end = 0;
    while ((end = fBuffer.indexOf('\n')) >= 0) {
        const QByteArray line = fBuffer.left(end).trimmed();
        fBuffer.remove(0, end + 1);
        HandleLine(line);
        if (!fSocket) {
            return;
        }
    }
    if (fBuffer.size() > kMaxLine) {
        ConnectionLost(QStringLiteral("rigctld sent an answer that is no frequency or mode"));
    }
}

void TRigControl::HandleLine(const QByteArray& line)
{
    if (fExpected.empty()) {
        return;
    }
    const TReply expected = fExpected.front();
    fExpected.pop_front();
    if (line.startsWith("RPRT")) {
        // An error code replaces the whole answer of one command (a mode without its passband).
        if (expected == TReply::Mode && !fExpected.empty() && fExpected.front() == TReply::Passband) {
            fExpected.pop_front();
        }
        qCDebug(lcRig) << "rigctld error" << line;
    } else if (expected == TReply::Frequency) {
        const std::optional<qint64> hertz = RigFrequency(line);
        if (!hertz) {
            // Counts as no answer: the frequency shown stays, and the reply timeout runs on.
            fBadAnswer = QString::fromLatin1(line.left(40));
            qCDebug(lcRig) << "no frequency:" << line.left(40);
        } else {
            fBadAnswer.clear();
            if (*hertz != fFrequency) {
                fFrequency = *hertz;
                emit FrequencyChanged(*hertz);
            }
        }
    } else if (expected == TReply::Mode) {
        const QString mode = QString::fromLatin1(line);
        if (mode != fMode) {
            fMode = mode;
            emit ModeChanged(mode);
        }
    }
    if (fExpected.empty() && fBadAnswer.isEmpty()) {
        fReplyTimer->stop();
        SetState(TState::Connected);
    }
}

void TRigControl::ConnectionLost(const QString& reason)
{
    if (fState == TState::Off || !fSocket) {
        return;
    }
    qCDebug(lcRig) << "connection lost:" << reason;
    fLostReason = reason;
    fPollTimer->stop();
    fReplyTimer->stop();
    fSocket->disconnect(this);
    fSocket->abort();
    fSocket->deleteLater();
    fSocket = nullptr;
    fExpected.clear();
    fBuffer.clear();
    fBadAnswer.clear();
    SetState(TState::Lost);
    fRetryTimer->start(fRetryInterval);
}

void TRigControl::SetState(TState state)
{
    if (state == fState) {
        return;
    }
    fState = state;
    emit StateChanged(state);
}
