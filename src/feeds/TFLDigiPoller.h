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
// and each such trouble is reported once, not at every poll.
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

    // Deletes a file left over from before polling was switched on, unread. Throws EVantrel when the file
    // is there and cannot be deleted.
    void DiscardLeftover();

    // One poll. The consumer gets the contact of a complete file; when it throws EVantrel the file stays
    // for the next poll and the error is reported.
    TResult Poll(const TConsumer& consume);

    // The text of a log file: a byte-order mark selects its encoding, UTF-8 without one. Throws EVantrel
    // when the file cannot be read.
    static QString ReadLogFile(const QString& path);

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
