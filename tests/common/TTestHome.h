#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A private world for one test: $VANTREL_HOME points at a work folder inside a temporary folder (not
// created, so the program sees a first run unless the test makes it), and $HOME at a profile folder
// beside it. The environment is restored when the fixture ends.
class TTestHome
{
public:
    TTestHome();
    ~TTestHome();
    TTestHome(const TTestHome&) = delete;
    TTestHome& operator=(const TTestHome&) = delete;

    bool IsValid() const { return fRoot.isValid(); }
    QString Root() const { return fRoot.path(); }
    // The work folder, ending in "/".
    QString Work() const;
    // The user's profile folder (created).
    QString Profile() const;
    // Creates the work folder with a copy of the shipped config.db, as after a first run.
    void PrepareWorkFolder() const;
    // Writes a settings file with the given lines under [Settings] (the grid question then stays away
    // when the lines hold a Grid).
    void WriteSettings(const QStringList& lines) const;

private:
    QTemporaryDir fRoot;
    QByteArray fOldHome;
    QByteArray fOldVantrelHome;
};
