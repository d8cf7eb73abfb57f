#pragma once

#include "data/Clock.h"
#include "data/tLogRecord.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

// Polling of FLdigi's temporary ADIF log file: FLdigi writes each contact it logs into that file, and
// each poll that finds it takes its text as one contact.
//
// Nothing handed over is lost or taken twice. The file is read and its contact read from it before
// anything is deleted; the contact is handed on, and only then is the file deleted, and only when it is
// still the file that was read. A file without an end-of-record marker that changed since the previous
// poll is still being written and waits for the next poll. A file whose contact cannot be read is moved
// aside into the work folder. A file that cannot be read or deleted is tried again at the next poll,
// and each such trouble is reported once, not at every poll. A file far larger than any contact (the
// path pointed at a whole logbook, say) is neither read nor touched: it is reported once and waits.
class TFLDigiPoller
{
public:
    enum class TKind
    {
        Idle,    // no file, or nothing new to do
        Waiting, // a file still being written, or a trouble already reported
        Contact, // a contact was handed on and its file deleted
        Problem  // a trouble to report: message holds the text for the operator
    };

    struct TResult
    {
        TKind kind = TKind::Idle;
        QString message;
    };

    using TConsumer = std::function<void(const tLogRecord&)>;

    TFLDigiPoller(QString workFolder, TClock clock);

    void SetPath(const QString& path) { fPath = path; }
    const QString& Path() const { return fPath; }

    // Starts afresh (polling switched on): a file already there is taken at the next poll like a new one,
    // and troubles are reported again.
    void Restart() { Reset(); }

    // One poll. The consumer gets the contact of a complete file; when it throws EVantrel the file stays
    // for the next poll and the error is reported.
    TResult Poll(const TConsumer& consume);

    // The text of a log file as UTF-8 bytes: a file with a byte-order mark of UTF-16 or UTF-32 is
    // converted, one without is taken as it is (fldigi writes UTF-8). Throws EVantrel when the file cannot
    // be read or is larger than kMaxFileSize.
    static QByteArray ReadLogFile(const QString& path);

    // The largest file taken for a contact. FLdigi's file holds one record of a few hundred bytes.
    static constexpr qint64 kMaxFileSize = 256 * 1024;

private:
    struct TSignature
    {
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const TSignature&) const = default;
    };

    TSignature SignatureOf() const;
    // A trouble for the operator, once for as long as it lasts.
    TResult Report(const QString& message);
    // Moves an unreadable file into the work folder; returns the text for the operator.
    TResult SetAside(const QString& reason, const TSignature& signature);
    void Reset();

    QString fWorkFolder;
    TClock fClock;
    QString fPath;
    QString fReported;
    // The file seen at the previous poll without an end-of-record marker.
    TSignature fUnfinished;
    // A file whose contact was taken (or set aside) but which could not be deleted yet.
    std::optional<TSignature> fTaken;
};
