#pragma once

#include <QString>
#include <array>
#include <functional>

class IPrompts;
class QUrl;
class QWidget;
class TSettings;

// A program version: four whole numbers (2.1.3.10).
using TVersion = std::array<quint32, 4>;

// The largest version file the check reads: a version is a few characters, so anything near this size is
// not one.
constexpr qint64 kVersionMaxBytes = 4 * 1024;

// Reads a version text: white space and line ends around it are ignored, missing parts count as 0 and
// parts after the fourth are not read. Throws EVantrel naming the text received when a part is not a whole
// number (an error page stored as the version file, an empty file).
TVersion ParseVersion(const QString& text);

// True when the published version is newer than the running one: the first of the four numbers that
// differs decides.
bool IsNewerVersion(const TVersion& running, const TVersion& published);

// The program's own update: the published version file and installer on the Ten-Ten roster server
// ("RosterServer"), the questions to the operator, and the start of the installer.
class TProgramUpdate
{
public:
    // The window the questions are centred on; the running version is the program's own unless a test
    // gives another.
    TProgramUpdate(TSettings& settings, IPrompts& prompts, QWidget* window);

    void SetRunningVersion(const QString& version) { fRunningVersion = version; }
    QString RunningVersion() const { return fRunningVersion; }

    // Fetches the version file into the work folder ("vantrel_version") and compares it with the running
    // version. Throws "Error downloading URL: …" when it cannot be fetched or is larger than
    // kVersionMaxBytes, and the message of ParseVersion when either text is not a version.
    bool NewVersionAvailable();

    // The whole check: asks whether to download and install a newer version, or, unless quiet, says
    // that the program is current. Returns true when an installer was downloaded and started, so the
    // program must close. Errors are thrown to the caller.
    bool UpdateCheck(bool quiet);

    // Downloads the installer with the file download dialog into the Downloads folder and, once it is
    // complete, tells the operator and opens it (QDesktopServices). Returns true when it was opened and
    // the program must close.
    bool InstallUpdate();

    // The installer's name: the program's Debian package outside Windows.
    static QString InstallerName();
    // Where the installer is saved: the user's Downloads folder.
    static QString InstallerPath();

private:
    TSettings& fSettings;
    IPrompts& fPrompts;
    QWidget* fWindow;
    QString fRunningVersion;
};
