#pragma once

#include "SpotLine.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

class QTcpSocket;
class QTimer;

// Where and as whom the cluster client connects.
struct TClusterLogin
{
    QString host;         // empty: no cluster
    quint16 port = 7300;  //
    QString call;         // the station's call sign, sent when the cluster asks for it
    QStringList commands; // sent once logged in, one line each (filters such as "set/filter ...")
};

// A telnet DX cluster (or the skimmer network, which speaks the same) on a TCP connection. Logs in with the
// station's call sign when the server asks ("login:", "Please enter your call"), sends the commands of the
// login after it, and reports every 10 m spot it reads. Lines are read up to kMaxClusterLine bytes; a longer
// line is dropped whole. A lost connection is retried after a delay that starts at the first back-off and
// doubles up to the longest; it starts again from the first once a spot has been read. Everything runs on
// the socket's signals: a slow or flooding cluster never blocks the window.
class TClusterClient : public QObject
{
    Q_OBJECT

public:
    enum class TState
    {
        Off,        // not switched on
        Connecting, // the TCP connection is being made
        LoggingIn,  // connected, the cluster has not yet asked for the call sign or sent a spot
        Connected,  // logged in (or the cluster sends spots without asking)
        Lost,       // no connection; retrying after RetryDelay()
    };

    explicit TClusterClient(QObject* parent = nullptr);
    ~TClusterClient() override;

    // Connects (again) with this login; a login without a host only switches the client off.
    void Start(const TClusterLogin& login);
    void Stop();

    TState State() const { return fState; }
    const TClusterLogin& Login() const { return fLogin; }
    // Why the last connection ended (the socket's error text or what the client saw).
    QString LostReason() const { return fLostReason; }
    // The delay before the next attempt while lost, in milliseconds.
    int RetryDelay() const;
    // The state in words, for the status bar: "Cluster: connected to dx.example.net:7300".
    QString StatusText() const;

    // Sends a spot ("DX <kHz> <call> <comment>"). Throws EVantrel when not connected, or for a call or
    // frequency SpotCommand refuses.
    void SendSpot(qint64 hertz, const QString& call, const QString& comment);

    // Counters, for the status bar's tip and the tests.
    qint64 LinesRead() const { return fLinesRead; }
    qint64 LinesDropped() const { return fLinesDropped; }
    qint64 SpotsRead() const { return fSpotsRead; }

    // Back-off of a lost connection: the first delay, doubled after each failed attempt up to the longest.
    void SetBackoff(int firstMs, int longestMs);
    // How long a connection may take to be made before it counts as lost.
    void SetConnectTimeout(int ms) { fConnectTimeout = ms; }

    static constexpr int kFirstBackoff = 5000;
    static constexpr int kLongestBackoff = 5 * 60 * 1000;

signals:
    void StateChanged(TClusterClient::TState state);
    // A spot on 10 m (28.000 to 29.700 MHz).
    void SpotReceived(const TSpot& spot);

private:
    void Connect();
    void ReadData();
    void TakeBytes(QByteArrayView bytes);
    void HandleLine(const QByteArray& line);
    void CheckPrompt(const QByteArray& text);
    void Send(const QByteArray& bytes);
    void ConnectionLost(const QString& reason);
    void SetState(TState state);

    TClusterLogin fLogin;
    TState fState = TState::Off;
    QTcpSocket* fSocket = nullptr;
    QTimer* fRetryTimer = nullptr;
    QTimer* fConnectTimer = nullptr;
    int fFirstBackoff = kFirstBackoff;
    int fLongestBackoff = kLongestBackoff;
    int fRetryDelay = kFirstBackoff;
    int fConnectTimeout = 30000;
    QString fLostReason;
    QByteArray fLine;       // the line read so far
    bool fDropping = false; // the line read so far is too long: skipped up to its end
    bool fLoginSent = false;
    // Telnet commands (IAC ...) are taken out of the stream; the state of one that spans two reads.
    int fTelnet = 0;
    qint64 fLinesRead = 0;
    qint64 fLinesDropped = 0;
    qint64 fSpotsRead = 0;
};
