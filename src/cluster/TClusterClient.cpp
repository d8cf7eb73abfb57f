#include "TClusterClient.h"

#include "data/Errors.h"
#include "feeds/TRigControl.h"

#include <QLoggingCategory>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>

Q_LOGGING_CATEGORY(lcCluster, "vantrel.cluster")

namespace {

// Telnet's command bytes: a server may open with option negotiation, which is no text.
constexpr unsigned char kIac = 255;
constexpr unsigned char kSb = 250;
constexpr unsigned char kSe = 240;
constexpr unsigned char kWill = 251;
constexpr unsigned char kDont = 254;

enum TTelnet
{
    kText,
    kCommand,    // after IAC
    kOption,     // after IAC WILL/WONT/DO/DONT: one option byte follows
    kSub,        // inside IAC SB ... IAC SE
    kSubCommand, // IAC inside a subnegotiation
};

// The most read from the socket in one pass; the rest waits in the system, so a flood is taken in slices.
constexpr qint64 kReadSlice = 256 * 1024;

// A line that asks for the call sign: "login:", "Please enter your call", "Enter your callsign:".
bool IsLoginPrompt(const QByteArray& text)
{
    const QByteArray lower = text.toLower();
    return lower.contains("login:") || lower.contains("enter your call");
}

QByteArray CommandLine(const QString& text)
{
    QString line;
    for (const QChar c : text) {
        line += c.unicode() < 0x20 || c.unicode() == 0x7f ? QLatin1Char(' ') : c;
    }
    return line.trimmed().toUtf8();
}

} // namespace

TClusterClient::TClusterClient(QObject* parent) : QObject(parent)
{
    fRetryTimer = new QTimer(this);
    fRetryTimer->setSingleShot(true);
    connect(fRetryTimer, &QTimer::timeout, this, &TClusterClient::Connect);
    fConnectTimer = new QTimer(this);
    fConnectTimer->setSingleShot(true);
    connect(fConnectTimer, &QTimer::timeout, this,
            [this] { ConnectionLost(QStringLiteral("the cluster did not answer")); });
}

TClusterClient::~TClusterClient()
{
    Stop();
}

void TClusterClient::SetBackoff(int firstMs, int longestMs)
{
    fFirstBackoff = std::max(1, firstMs);
    fLongestBackoff = std::max(fFirstBackoff, longestMs);
    fRetryDelay = fFirstBackoff;
}

void TClusterClient::Start(const TClusterLogin& login)
{
    Stop();
    if (login.host.trimmed().isEmpty()) {
        return;
    }
    const QString call = login.call.trimmed().toUpper();
    if (!LooksLikeCall(call)) {
        throw EVantrel(QStringLiteral("The cluster needs the station's call sign to log in. Enter it in the "
                                      "log's setup first."));
    }
    fLogin = login;
    fLogin.host = login.host.trimmed();
    fLogin.call = call;
    fRetryDelay = fFirstBackoff;
    fLostReason.clear();
    SetState(TState::Connecting);
    Connect();
}

void TClusterClient::Stop()
{
    fRetryTimer->stop();
    fConnectTimer->stop();
    if (fSocket) {
        fSocket->disconnect(this);
        fSocket->abort();
        fSocket->deleteLater();
        fSocket = nullptr;
    }
    fLine.clear();
    fDropping = false;
    SetState(TState::Off);
}

void TClusterClient::Connect()
{
    if (fSocket) {
        fSocket->disconnect(this);
        fSocket->abort();
        fSocket->deleteLater();
    }
    fLine.clear();
    fDropping = false;
    fLoginSent = false;
    fTelnet = kText;
    fSocket = new QTcpSocket(this);
    fSocket->setReadBufferSize(kReadSlice);
    connect(fSocket, &QTcpSocket::connected, this, [this] {
        qCDebug(lcCluster) << "connected to" << fLogin.host << fLogin.port;
        fConnectTimer->stop();
        SetState(TState::LoggingIn);
    });
    connect(fSocket, &QTcpSocket::readyRead, this, &TClusterClient::ReadData);
    connect(fSocket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        ConnectionLost(error == QAbstractSocket::RemoteHostClosedError
                           ? QStringLiteral("the cluster closed the connection")
                           : fSocket->errorString());
    });
    connect(fSocket, &QTcpSocket::disconnected, this,
            [this] { ConnectionLost(QStringLiteral("the cluster closed the connection")); });
    fConnectTimer->start(fConnectTimeout);
    fSocket->connectToHost(fLogin.host, fLogin.port);
}

void TClusterClient::ReadData()
{
    // One slice a pass: what is left raises readyRead again once the event loop has run.
    if (!fSocket) {
        return;
    }
    const QByteArray chunk = fSocket->read(kReadSlice);
    TakeBytes(chunk);
    if (fSocket && !fLoginSent && !fDropping) {
        // A prompt ends without a line end: "login: ".
        CheckPrompt(fLine);
    }
}

void TClusterClient::TakeBytes(QByteArrayView bytes)
{
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        switch (fTelnet) {
        case kCommand:
            fTelnet = c == kSb ? kSub : (c >= kWill && c <= kDont) ? kOption : kText;
            if (c != kIac) {
                continue;
            }
            break; // IAC IAC is the byte 255 itself
        case kOption:
            fTelnet = kText;
            continue;
        case kSub:
            if (c == kIac) {
                fTelnet = kSubCommand;
            }
            continue;
        case kSubCommand:
            fTelnet = c == kSe ? kText : kSub;
            continue;
        default:
            if (c == kIac) {
                fTelnet = kCommand;
                continue;
            }
        }
        if (c == '\n') {
            if (fDropping) {
                ++fLinesDropped;
                fDropping = false;
            } else {
                const QByteArray line = fLine;
                fLine.clear();
                HandleLine(line);
                if (!fSocket) {
                    return;
                }
            }
            fLine.clear();
        } else if (c == '\r' || c == '\0') {
            // Line ends are "\r\n" (or "\n\r"); a lone carriage return is no text.
        } else if (!fDropping) {
            fLine += ch;
            if (fLine.size() > kMaxClusterLine) {
                fLine.clear();
                fDropping = true;
            }
        }
    }
}

void TClusterClient::HandleLine(const QByteArray& line)
{
    ++fLinesRead;
    if (!fLoginSent) {
        CheckPrompt(line);
        if (!fSocket) {
            return;
        }
    }
    const std::optional<TSpot> spot = ParseSpotLine(line);
    if (!spot) {
        return;
    }
    ++fSpotsRead;
    // The cluster works: the next lost connection is retried soon again.
    fRetryDelay = fFirstBackoff;
    if (fState == TState::LoggingIn) {
        SetState(TState::Connected);
    }
    if (IsTenMetres(spot->hertz)) {
        emit SpotReceived(*spot);
    }
}

void TClusterClient::CheckPrompt(const QByteArray& text)
{
    if (fLoginSent || !IsLoginPrompt(text)) {
        return;
    }
    fLoginSent = true;
    qCDebug(lcCluster) << "logging in as" << fLogin.call;
    Send(fLogin.call.toUtf8() + "\r\n");
    for (const QString& command : fLogin.commands) {
        const QByteArray line = CommandLine(command);
        if (!line.isEmpty()) {
            Send(line + "\r\n");
        }
    }
    // The prompt itself is no line to read.
    if (&text == &fLine) {
        fLine.clear();
    }
    SetState(TState::Connected);
}

void TClusterClient::Send(const QByteArray& bytes)
{
    if (fSocket) {
        fSocket->write(bytes);
    }
}

void TClusterClient::SendSpot(qint64 hertz, const QString& call, const QString& comment)
{
    const QByteArray command = SpotCommand(hertz, call, comment);
    if (fState != TState::Connected || !fSocket) {
        throw EVantrel(QStringLiteral("Not connected to a cluster: the spot was not sent."));
    }
    Send(command);
}

void TClusterClient::ConnectionLost(const QString& reason)
{
    if (fState == TState::Off || !fSocket) {
        return;
    }
    qCDebug(lcCluster) << "connection lost:" << reason;
    fLostReason = reason;
    fConnectTimer->stop();
    fSocket->disconnect(this);
    fSocket->abort();
    fSocket->deleteLater();
    fSocket = nullptr;
    fLine.clear();
    fDropping = false;
    fRetryTimer->start(fRetryDelay);
    fRetryDelay = std::min(fRetryDelay * 2, fLongestBackoff);
    SetState(TState::Lost);
}

int TClusterClient::RetryDelay() const
{
    return fRetryTimer->interval();
}

QString TClusterClient::StatusText() const
{
    const QString address = QStringLiteral("%1:%2").arg(fLogin.host).arg(fLogin.port);
    switch (fState) {
    case TState::Off:
        return QStringLiteral("Cluster: off");
    case TState::Connecting:
        return QStringLiteral("Cluster: connecting to %1").arg(address);
    case TState::LoggingIn:
        return QStringLiteral("Cluster: logging in to %1").arg(address);
    case TState::Connected:
        return QStringLiteral("Cluster: connected to %1").arg(address);
    case TState::Lost:
        break;
    }
    const int seconds = (RetryDelay() + 999) / 1000;
    return QStringLiteral("Cluster: no connection to %1 (%2), retrying in %3 s")
        .arg(address, fLostReason)
        .arg(seconds);
}

void TClusterClient::SetState(TState state)
{
    if (state == fState) {
        return;
    }
    fState = state;
    emit StateChanged(state);
}
