#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

// Small record files in the layout of the FCC's amateur licence dump, for the licence import tests.
namespace LicenceDump {

using TFiles = QList<std::pair<QString, QByteArray>>;

// One record line (no line end) with the fields the import keeps at their FCC positions and the rest
// empty: EN has 30 fields, AM 18, HD 59.
QByteArray EnLine(int usi, const QByteArray& call, const QByteArray& first, const QByteArray& last,
                  const QByteArray& street, const QByteArray& city, const QByteArray& state,
                  const QByteArray& zip, const QByteArray& poBox = QByteArray());
QByteArray AmLine(int usi, const QByteArray& call, const QByteArray& operatorClass,
                  const QByteArray& previousCall = QByteArray());
QByteArray HdLine(int usi, const QByteArray& call, const QByteArray& status);

// The sample dump:
//   K1ABC   PO box and street, ZIP+4 06111-1234 (Newington, Hartford county), active
//   N5ABC   street only, ZIP 88001 (Las Cruces, Dona Ana county), active
//   W1OLD   expired licence
//   K1NEW   reissued: cancelled for "Old Holder" (10), active for "New Holder" (11, previously K1OLD)
//   KC1UTF  name "José Núñez" in UTF-8
//   KC1LAT  name "Zoë" in Latin-1
// EN.dat has CRLF line ends and three malformed lines (a short line, a line of another record type, an
// identifier that is not a number) and a blank line; AM.dat one short line; HD.dat ends without a line feed.
TFiles Sample();

// The sample's counts of lines read, kept and skipped, file by file.
constexpr int kEnRead = 10, kEnKept = 7, kEnSkipped = 3;
constexpr int kAmRead = 8, kAmKept = 7, kAmSkipped = 1;
constexpr int kHdRead = 7, kHdKept = 7, kHdSkipped = 0;

void WriteFolder(const QString& folder, const TFiles& files);
// links: symbolic-link members (name, target) after the files.
void WriteZip(const QString& path, const TFiles& files, const QList<std::pair<QString, QString>>& links = {});

} // namespace LicenceDump
