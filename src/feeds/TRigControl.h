#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <deque>
#include <optional>

class QTcpSocket;
class QTimer;

// The mode of the entry form for a rig mode reported by Hamlib: USB and LSB are SSB, CW (and reverse CW)
// CW, FM, AM, RTTY; the data modes (PKTUSB, PKTLSB, PKTFM and the like) are the log's digital mode.
// Empty for a mode the form has no name for.
QString FormModeForRig(const QString& rigMode, const QString& digitalMode);

// The digital mode of a log: its own mode when that is a digital one, else FT8, the mode of most digital
// contacts today.
QString DigitalModeOfLog(const QString& logMode);

// True when a frequency in hertz lies in the 10 m band, 28.000 to 29.700 MHz.
bool IsTenMetres(qint64 hertz);

// The frequency in hertz of a reply line of rigctld's "f" command ("28074000", or with decimals). Nothing for
// a line that is no frequency: not a number, not finite (nan, inf), not above 0, or beyond any radio (1e12
// hertz and more).
std::optional<qint64> RigFrequency(QByteArrayView line);

// The frequency as the status bar shows it: megahertz with five decimals ("28.40000 MHz").
QString FrequencyText(qint64 hertz);

// Rig control through Hamlib's network daemon rigctld: connects to it, asks for the frequency and the
// mode once a poll interval, and reports changes. Everything runs on the socket's signals, so a slow or
// dead rigctld never blocks the window. A lost connection (refused, closed, or no answer within the
// reply timeout) is reported and retried every retry interval until Stop. An answer that is no frequency
// counts as no answer. What is read is bounded: a rigctld that sends more than a poll's answers (a flood)
// is dropped like a lost one, so it never keeps the window busy.
class TRigControl : public QObject
{
    Q_OBJECT

public:
    enum class TState
    {
        Off,        // not switched on
        Connecting, // the first connection is being made
        Connected,  // rigctld answers
        Lost,       // no connection; retrying
    };

    explicit TRigControl(QObject* parent = nullptr);
    ~TRigControl() override;

    void Start(const QString& host, quint16 port);
    void Stop();

    TState State() const { return fState; }
    QString Host() const { return fHost; }
    quint16 Port() const { return fPort; }
    // The last frequency in hertz (0 before the first answer) and the rig's last mode text.
    qint64 Frequency() const { return fFrequency; }
    QString Mode() const { return fMode; }
    // Why the connection was lost (the socket's error text).
    QString LostReason() const { return fLostReason; }
    // The bytes read from rigctld since the start.
    qint64 BytesRead() const { return fBytesRead; }

    // The most bytes taken from rigctld between two questions; its answers to one are a few dozen.
    static constexpr qsizetype kMaxReadPerPoll = 4096;

    void SetPollInterval(int ms);
    void SetRetryInterval(int ms) { fRetryInterval = ms; }
    void SetReplyTimeout(int ms) { fReplyTimeout = ms; }

signals:
    void StateChanged(TRigControl::TState state);
    void FrequencyChanged(qint64 hertz);
    void ModeChanged(const QString& mode);

private:
    enum class TReply
    {
        Frequency,
        Mode,
        Passband,
    };

    void Connect();
    void Poll();
    void ReadReplies();
    void HandleLine(const QByteArray& line);
    void ConnectionLost(const QString& reason);
    void SetState(TState state);

    QString fHost;
    quint16 fPort = 0;
    TState fState = TState::Off;
    QTcpSocket* fSocket = nullptr;
    QTimer* fPollTimer = nullptr;
    QTimer* fRetryTimer = nullptr;
    QTimer* fReplyTimer = nullptr;
    int fRetryInterval = 3000;
    int fReplyTimeout = 3000;
    QByteArray fBuffer;
    std::deque<TReply> fExpected;
    qint64 fFrequency = 0;
    QString fMode;
    QString fLostReason;
    // The last answer to "f" that was no frequency, while no good one has followed.
    QString fBadAnswer;
    qsizetype fReadSincePoll = 0;
    qint64 fBytesRead = 0;
};
