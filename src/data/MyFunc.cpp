#include "MyFunc.h"

#include "Errors.h"
#include "TDM.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTimer>
#include <memory>

namespace {

const QString kAlphabet = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz+/");

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
    QByteArray bytes;
    for (const char32_t code : text.toUcs4()) {
        if (code <= 255) {
            bytes.append(char(code));
        } else {
            bytes.append(QString::fromUcs4(&code, 1).toUtf8());
        }
    }
    QString result;
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

QString DecodeText(const QString& text)
{
    QByteArray bytes;
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
    // Bytes stand for the characters of the same code, except a UTF-8 sequence of a character above 255,
    // which is how such a character was encoded.
    QString result;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const int length = (lead & 0xE0) == 0xC0   ? 2
                           : (lead & 0xF0) == 0xE0 ? 3
                           : (lead & 0xF8) == 0xF0 ? 4
                                                   : 1;
        if (length > 1 && i + length <= bytes.size()) {
            const QByteArray sequence = bytes.mid(i, length);
            const QString decoded = QString::fromUtf8(sequence);
            const auto ucs4 = decoded.toUcs4();
            if (ucs4.size() == 1 && ucs4[0] > 255 && ucs4[0] != 0xFFFD && decoded.toUtf8() == sequence) {
                result += decoded;
                i += length - 1;
                continue;
            }
        }
        result += QChar(lead);
    }
    return result;
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

bool IsInteger(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^[+-]?[0-9]+$"));
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
    if (QFile::exists(path)) {
        QFile old(path);
        if (!old.remove()) {
            throw EVantrel(old.errorString());
        }
    }
    QByteArray body;
    try {
        body = HttpGet(QUrl(url), timeoutMs, nullptr, maxBytes);
    } catch (const ENetworkError&) {
        throw EVantrel(QStringLiteral("Error downloading URL: %1").arg(url));
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size() || !file.commit()) {
        throw EVantrel(QStringLiteral("Error downloading URL: %1").arg(url));
    }
}
