#include "TLicenceDump.h"

#include <QDir>
#include <QFile>
#include <archive.h>
#include <archive_entry.h>
#include <stdexcept>

namespace LicenceDump {

namespace {

// A record of count fields, filled at the given 1-based positions.
QByteArray Record(int count, std::initializer_list<std::pair<int, QByteArray>> values)
{
    QList<QByteArray> fields(count);
    for (const auto& [position, value] : values) {
        fields[position - 1] = value;
    }
    return fields.join('|');
}

} // namespace

QByteArray EnLine(int usi, const QByteArray& call, const QByteArray& first, const QByteArray& last,
                  const QByteArray& street, const QByteArray& city, const QByteArray& state,
                  const QByteArray& zip, const QByteArray& poBox)
{
    return Record(30, {{1, "EN"},
                       {2, QByteArray::number(usi)},
                       {3, "0000000001"},
                       {5, call},
                       {6, "L"},
                       {7, "L00" + QByteArray::number(usi)},
                       {8, first + ' ' + last},
                       {9, first},
                       {11, last},
                       {16, street},
                       {17, city},
                       {18, state},
                       {19, zip},
                       {20, poBox},
                       {23, "0001234567"},
                       {24, "I"}});
}

QByteArray AmLine(int usi, const QByteArray& call, const QByteArray& operatorClass,
                  const QByteArray& previousCall)
{
    return Record(18, {{1, "AM"},
                       {2, QByteArray::number(usi)},
                       {5, call},
                       {6, operatorClass},
                       {7, "D"},
                       {8, "1"},
                       {16, previousCall}});
}

QByteArray HdLine(int usi, const QByteArray& call, const QByteArray& status)
{
    return Record(59, {{1, "HD"},
                       {2, QByteArray::number(usi)},
                       {5, call},
                       {6, status},
                       {7, "HA"},
                       {8, "03/01/2020"},
                       {9, "03/01/2030"},
                       {43, "03/01/2020"},
                       {44, "03/02/2020"}});
}

TFiles Sample()
{
    const QList<QByteArray> en = {
        EnLine(1, "K1ABC", "Jane", "Sample", "12 Elm St", "Newington", "CT", "061111234", "PO Box 77"),
        EnLine(2, "N5ABC", "Pedro", "Mesa", "7 Mesa Rd", "Las Cruces", "NM", "88001"),
        EnLine(3, "W1OLD", "Old", "Timer", "3 Gone Rd", "Newington", "CT", "06111"),
        EnLine(10, "K1NEW", "Old", "Holder", "1 First St", "Newington", "CT", "06111"),
        EnLine(11, "K1NEW", "New", "Holder", "2 Second St", "Las Cruces", "NM", "88001"),
        EnLine(4, "KC1UTF", "Jos\xc3\xa9",
               "N\xc3\xba\xc3\xb1"
               "ez",
               "4 Main St", "Newington", "CT", "06111"),
        EnLine(5, "KC1LAT", "Zo\xeb", "Latin", "5 Main St", "Newington", "CT", "06111"),
        "EN|6|short",
        AmLine(9, "K1AM", "E"),
        EnLine(7, "K1BAD", "Bad", "Identifier", "", "", "", "").replace("EN|7|", "EN|7x|"),
        "",
    };
    const QList<QByteArray> am = {
        AmLine(1, "K1ABC", "E"),           AmLine(2, "N5ABC", "G"),
        AmLine(3, "W1OLD", "A"),           AmLine(10, "K1NEW", "T"),
        AmLine(11, "K1NEW", "E", "K1OLD"), AmLine(4, "KC1UTF", "G"),
        AmLine(5, "KC1LAT", "T"),          "AM|8|",
    };
    const QList<QByteArray> hd = {
        HdLine(1, "K1ABC", "A"),  HdLine(2, "N5ABC", "A"),  HdLine(3, "W1OLD", "E"),
        HdLine(10, "K1NEW", "C"), HdLine(11, "K1NEW", "A"), HdLine(4, "KC1UTF", "A"),
        HdLine(5, "KC1LAT", "A"),
    };
    return {{QStringLiteral("EN.dat"), en.join("\r\n") + "\r\n"},
            {QStringLiteral("AM.dat"), am.join('\n') + '\n'},
            {QStringLiteral("HD.dat"), hd.join('\n')}};
}

void WriteFolder(const QString& folder, const TFiles& files)
{
    QDir().mkpath(folder);
    for (const auto& [name, bytes] : files) {
        QFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            throw std::runtime_error("cannot write a record file");
        }
    }
}

void WriteZip(const QString& path, const TFiles& files, const QList<std::pair<QString, QString>>& links)
{
    archive* zip = archive_write_new();
    archive_write_set_format_zip(zip);
    if (archive_write_open_filename(zip, QFile::encodeName(path).constData()) != ARCHIVE_OK) {
        archive_write_free(zip);
        throw std::runtime_error("cannot create the zip file");
    }
    for (const auto& [name, bytes] : files) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, name.toUtf8().constData());
        archive_entry_set_size(entry, bytes.size());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_write_header(zip, entry);
        archive_write_data(zip, bytes.constData(), size_t(bytes.size()));
        archive_entry_free(entry);
    }
    for (const auto& [name, target] : links) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, name.toUtf8().constData());
        archive_entry_set_filetype(entry, AE_IFLNK);
        archive_entry_set_symlink(entry, target.toUtf8().constData());
        archive_entry_set_perm(entry, 0777);
        archive_entry_set_size(entry, 0);
        archive_write_header(zip, entry);
        archive_entry_free(entry);
    }
    archive_write_close(zip);
    archive_write_free(zip);
}

} // namespace LicenceDump
