#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QMetaType>
#include <QString>
#include <QTime>
#include <optional>

// One spot as a DX cluster or the skimmer network relays it:
//   "DX de W3LPL:     28025.0  K1ABC        CW 599                         1234Z"
//   "DX de KM3T-#:    28022.5  K1ABC        CW    14 dB  22 WPM  CQ        1807Z"
struct TSpot
{
    QString spotter;  // as sent, "-#" included for a skimmer
    QString call;     // upper case
    qint64 hertz = 0; // the frequency, sent in kilohertz
    QString comment;  // printable characters only, blanks collapsed
    QTime time;       // the spot's UTC time (hh:mm), invalid when the line carried none
    QString locator;  // the spotter's grid square when the cluster adds it
    QString mode;     // the mode named in the comment, in the log's words (USB/LSB are SSB); empty if none
    bool skimmer = false;
    std::optional<int> snr;   // skimmer: signal to noise in dB
    std::optional<int> speed; // skimmer: words (CW) or bauds (RTTY) a minute
    bool cq = false;          // skimmer: the station calls CQ
};
Q_DECLARE_METATYPE(TSpot)

// The longest line read from a cluster; a longer one is dropped whole, never split into spots.
constexpr qsizetype kMaxClusterLine = 1024;

// The spot of one line of a cluster (without its line end), nothing for any other line (announcements,
// prompts, WWV, a malformed spot: no frequency, no call sign). Any band: the caller keeps the ones it wants.
std::optional<TSpot> ParseSpotLine(QByteArrayView line);

// The mode a word of a spot's comment names, in the entry form's words ("USB" gives "SSB"); empty for a
// word that names none.
QString SpotModeWord(const QString& word);

// The frequency the operator types for a spot, in kilohertz ("28025.5") or megahertz ("28.0255"), in hertz;
// nothing for a text that is no frequency or lies outside 28.000 to 29.700 MHz.
std::optional<qint64> ParseSpotFrequency(const QString& text);

// The command that spots a station on a cluster: "DX 28025.0 K1ABC comment" and the line end. The call is
// taken in upper case; line breaks and other control characters of the comment become blanks, so a comment
// never carries a second command. Throws EVantrel "Not a call sign to spot: <call>" for a call sign that
// is none, and "The frequency <f> MHz is outside the 10 m band" for a frequency outside 28.000-29.700 MHz.
QByteArray SpotCommand(qint64 hertz, const QString& call, const QString& comment);

// True for a text that can be a call sign: letters, digits and "/", with a letter and a digit.
bool LooksLikeCall(const QString& call);
