#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QUrl>

class TDM;
class QNetworkAccessManager;

// Small functions shared by the whole program.

// The version text of a program file: the version compiled into this program (four numbers) for the
// program's own file, empty text for any other file.
QString GetFileVersion(const QString& path);

// A reversible coding of the stored service passwords: base 64 with the alphabet "0-9A-Za-z+/" and no
// fill characters. Each character of a text whose characters are all up to 255 takes one byte, its code,
// and each decoded byte is the character of that code. A text holding a character above 255 is coded as
// "~" followed by the coding of its UTF-8 bytes; "~" is outside the alphabet, so no coding of a one-byte
// text starts with it and the two forms cannot be mistaken for each other.
QString EncodeText(const QString& text);
QString DecodeText(const QString& text);

// DXCC number of a country name from the `country` table: 291 (the United States) when the name is not
// in the table. GetDXCCText gives the number as text, empty when the name is not in the table.
int GetDXCC(TDM& dm, const QString& country);
QString GetDXCCText(TDM& dm, const QString& country);

// The number of characters of a text, a character written as a surrogate pair counting once: lengths,
// cuts and padding count characters, whatever their code.
qsizetype CharCount(QStringView text);
// The first n characters of a text (all of it when it is shorter), never splitting a surrogate pair.
QStringView FirstChars(QStringView text, qsizetype n);

// True when the whole text is a signed 32-bit whole number (optional sign, decimal digits).
bool IsInteger(const QString& text);

// The largest body HttpGet and DownloadFile hold in memory unless told otherwise.
constexpr qint64 kHttpMaxBytes = 64 * 1024 * 1024;

// Blocking GET of a URL into memory, following redirects, with a timeout; the window ignores user input
// meanwhile but keeps painting. A body that passes maxBytes (announced or received) stops the transfer at
// once. Throws ENetworkError on a network or TLS failure, an HTTP error status, the timeout or a body
// that is too large. Uses the given manager, or a fresh one.
QByteArray HttpGet(const QUrl& url, int timeoutMs = 30000, QNetworkAccessManager* manager = nullptr,
                   qint64 maxBytes = kHttpMaxBytes);

// Downloads a URL into a file, replacing any file of that name once the download is complete on disk; the
// body goes to the disk as it arrives. Throws EVantrel "Error downloading URL: <url> (<reason>)" when the
// download fails: an HTTP error status, a redirect loop, a broken connection or body, a TLS failure, a
// body larger than maxBytes (stopped as it passes the limit), no complete answer within the timeout, or a
// file that cannot be written ("unable to write to <file>: <the system's reason>"). The earlier file is
// then kept as it was.
void DownloadFile(const QString& url, const QString& path, int timeoutMs = 30000,
                  qint64 maxBytes = kHttpMaxBytes);
