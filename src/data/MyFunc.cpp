#include "MyFunc.h"

#include "Errors.h"
#include "TDM.h"
#include "TFileTransfer.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <memory>

namespace {

const QString kAlphabet = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz+/");
// Starts the coding of a text that holds a character above 255; it lies outside the alphabet.
const QChar kWideMarker = QLatin1Char('~');

// The coding proper: eight bits a byte, six bits an output character, the last bits padded with zeros.
QString EncodeBytes(const QByteArray& bytes)
{
    QString result;
    result.reserve((bytes.size() * 4 + 2) / 3);
    unsigned accumulator = 0;
    int bits = 0;
    for (const char c : bytes) {
        accumulator = accumulator * 256 + static_cast<unsigned char>(c);
        bits += 8;
        while (bits >= 6) {
            bits -= 6;
            result += kAlphabet[int(accumulator >> bits)];
            accumulator &= (1u << bits) - 1;
        }
    }
    if (bits > 0) {
        result += kAlphabet[int(accumulator << (6 - bits))];
    }
    return result;
}

// Back to bytes, stopping at the first character outside the alphabet; bits left over are dropped.
QByteArray DecodeBytes(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size() * 3 / 4 + 1);
    unsigned accumulator = 0;
    int bits = 0;
    for (const QChar c : text) {
        const qsizetype index = kAlphabet.indexOf(c);
        if (index < 0) {
            break;
        }
        accumulator = accumulator * 64 + unsigned(index);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.append(char((accumulator >> bits) & 0xFF));
            accumulator &= (1u << bits) - 1;
        }
    }
    return bytes;
}

} // namespace

QString GetFileVersion(const QString& path)
{
    const QFileInfo file(path);
    const QFileInfo self(QCoreApplication::applicationFilePath());
    if (file.exists() && file.canonicalFilePath() == self.canonicalFilePath()) {
        return QStringLiteral(VANTREL_VERSION);
    }
    return QString();
}

QString EncodeText(const QString& text)
{
    const QList<uint> codes = text.toUcs4();
    const bool latin1 = std::all_of(codes.begin(), codes.end(), [](uint code) { return code <= 255; });
    if (latin1) {
        return EncodeBytes(text.toLatin1());
    }
    // A character beyond one byte: the whole text goes as UTF-8 behind the marker, which no coding of
    // one-byte characters can start with.
    return kWideMarker + EncodeBytes(text.toUtf8());
}

QString DecodeText(const QString& text)
{
    if (text.startsWith(kWideMarker)) {
        return QString::fromUtf8(DecodeBytes(QStringView(text).mid(1)));
    }
    // Each byte is the character of that code.
    return QString::fromLatin1(DecodeBytes(text));
}

int GetDXCC(TDM& dm, const QString& country)
{
    const auto dxcc = dm.CountryDXCC(country);
    return dxcc ? dxcc->toInt() : 291;
}

QString GetDXCCText(TDM& dm, const QString& country)
{
    return dm.CountryDXCC(country).value_or(QString());
}

qsizetype CharCount(QStringView text)
{
    qsizetype count = text.size();
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (text[i].isLowSurrogate() && text[i - 1].isHighSurrogate()) {
            --count;
        }
    }
    return count;
}

QStringView FirstChars(QStringView text, qsizetype n)
{
    qsizetype end = 0;
    for (qsizetype taken = 0; taken < n && end < text.size(); ++taken) {
        const bool pair =
            text[end].isHighSurrogate() && end + 1 < text.size() && text[end + 1].isLowSurrogate();
        end += pair ? 2 : 1;
    }
    return text.first(end);
}

bool IsInteger(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("\\A[+-]?[0-9]+\\z"));
    if (!pattern.match(text).hasMatch()) {
        return false;
    }
    bool ok = false;
    text.toInt(&ok, 10);
    return ok;
}

QByteArray HttpGet(const QUrl& url, int timeoutMs, QNetworkAccessManager* manager, qint64 maxBytes)
{
    std::unique_ptr<QNetworkAccessManager> own;
    if (!manager) {
        own = std::make_unique<QNetworkAccessManager>();
        manager = own.get();
    }
    QNetworkRequest request(url);
    request.setRawHeader("Cache-Control", "no-cache");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(timeoutMs);

    std::unique_ptr<QNetworkReply> reply(manager->get(request));
    // The network layer reads the connection no further ahead than this: an endless body then costs no
    // more memory than the limit, however fast the server sends it.
    reply->setReadBufferSize(1024 * 1024);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    // The body is taken in as it arrives, so an endless or oversized one is stopped at the limit instead of
    // filling the memory.
    QByteArray body;
    bool tooLarge = false;
    auto stopWhenTooLarge = [&](qint64 size) {
        if (size > maxBytes && !tooLarge) {
            tooLarge = true;
            reply->abort();
        }
    };
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid()) {
            stopWhenTooLarge(length.toLongLong());
        }
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        if (!tooLarge) {
            body += reply->read(maxBytes + 1 - body.size());
            stopWhenTooLarge(body.size() + reply->bytesAvailable());
        }
    });
    timer.start(timeoutMs);
    if (!reply->isFinished()) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    timer.stop();

    // The query may carry a password: messages name the address without it.
    const QString shown = url.toDisplayString(QUrl::RemoveUserInfo | QUrl::RemoveQuery);
    auto tooLargeError = [&] {
        return ENetworkError(QStringLiteral("The reply from %1 is larger than %2; it was not read")
                                 .arg(shown, maxBytes % (1024 * 1024) == 0
                                                 ? QStringLiteral("%1 MB").arg(maxBytes / (1024 * 1024))
                                                 : QStringLiteral("%1 kB").arg((maxBytes + 1023) / 1024)));
    };
    if (tooLarge) {
        manager->clearConnectionCache();
        throw tooLargeError();
    }
    if (timedOut || reply->error() == QNetworkReply::OperationCanceledError ||
        reply->error() == QNetworkReply::TimeoutError) {
        throw ENetworkError(QStringLiteral("No answer from %1 within %2")
                                .arg(shown, timeoutMs % 1000 == 0
                                                ? QStringLiteral("%1 seconds").arg(timeoutMs / 1000)
                                                : QStringLiteral("%1 ms").arg(timeoutMs)));
    }
    if (reply->error() != QNetworkReply::NoError) {
        // A failed TLS handshake leaves a connection in the cache that a later try must not reuse.
        manager->clearConnectionCache();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid() && status.toInt() >= 400) {
            throw ENetworkError(
                QStringLiteral("%1 replied %2 %3")
                    .arg(shown)
                    .arg(status.toInt())
                    .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString())
                    .trimmed());
        }
        QString message = reply->errorString();
        message.replace(url.toString(), shown);
        message.replace(url.toString(QUrl::FullyEncoded), shown);
        throw ENetworkError(message);
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() >= 400) {
        throw ENetworkError(QStringLiteral("%1 replied %2").arg(shown).arg(status.toInt()));
    }
    body += reply->readAll();
    if (body.size() > maxBytes) {
        throw tooLargeError();
    }
    return body;
}

void DownloadFile(const QString& url, const QString& path, int timeoutMs, qint64 maxBytes)
{
    // The body streams into a temporary file that replaces the earlier download once it is complete on
    // disk. The window ignores user input meanwhile but keeps painting.
    TFileTransfer transfer;
    QEventLoop loop;
    TFileTransfer::TOutcome outcome = TFileTransfer::TOutcome::Failed;
    QString reason;
    QObject::connect(&transfer, &TFileTransfer::Finished, &loop,
                     [&](TFileTransfer::TOutcome o, const QString& r) {
                         outcome = o;
                         reason = r;
                         loop.quit();
                     });
    // A server that keeps sending a little now and then must not hold the window for ever.
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &transfer, [&] {
        transfer.Stop(QStringLiteral("no complete answer within %1 seconds").arg(timeoutMs / 1000));
    });
    deadline.start(timeoutMs);
    transfer.Start(QUrl(url), path, timeoutMs, maxBytes);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (outcome != TFileTransfer::TOutcome::Completed) {
        throw EVantrel(QStringLiteral("Error downloading URL: %1 (%2)").arg(url, reason));
    }
}
