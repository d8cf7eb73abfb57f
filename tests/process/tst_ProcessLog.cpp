#include "TProcessFixture.h"

#include "common/TScriptedPrompts.h"
#include "common/TSmallDisk.h"
#include "common/TestRegistry.h"

#include "data/Paths.h"
#include "gui/process/TfrmProcessLog.h"
#include "process/TLogProcessor.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDirIterator>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

// One field of an ADIF file as a reader sees it.
struct TADIFTag
{
    QByteArray name;
    QByteArray value;
};

// Reads an ADIF file tag by tag from its first tag on, as a byte-counting reader does: each tag's length
// takes that many bytes as its value, and only blanks and line ends may stand between fields. Returns an
// error text, empty when the whole file reads cleanly.
QString WalkADIF(const QByteArray& file, QList<TADIFTag>& tags)
{
    qsizetype pos = file.indexOf('<');
    while (pos < file.size()) {
        const char c = file[pos];
        if (c == ' ' || c == '\n' || c == '\r') {
            ++pos;
            continue;
        }
        if (c != '<') {
            return QStringLiteral("text outside a field at byte %1: \"%2\"")
                .arg(pos)
                .arg(QString::fromUtf8(file.mid(pos, 20)));
        }
        const qsizetype close = file.indexOf('>', pos);
        if (close < 0) {
            return QStringLiteral("unclosed tag at byte %1").arg(pos);
        }
        const QList<QByteArray> parts = file.mid(pos + 1, close - pos - 1).split(':');
        pos = close + 1;
        if (parts.size() == 1) {
            tags.append({parts[0], QByteArray()}); // <eor>, <EOH>
            continue;
        }
        bool ok = false;
        const int length = parts[1].toInt(&ok);
        if (!ok || length < 0 || pos + length > file.size()) {
            return QStringLiteral("bad length in <%1>").arg(QString::fromUtf8(parts.join(':')));
        }
        const QByteArray value = file.mid(pos, length);
        // A length too long swallows the next tag; one too short leaves text outside the fields.
        if (value.contains('<')) {
            return QStringLiteral("<%1> runs into the next field").arg(QString::fromUtf8(parts[0]));
        }
        if (QString::fromUtf8(value).toUtf8() != value) {
            return QStringLiteral("<%1> cuts a UTF-8 character").arg(QString::fromUtf8(parts[0]));
        }
        tags.append({parts[0], value});
        pos += length;
    }
    return QString();
}

} // namespace

// The processing dialog end to end: real widgets offscreen, a real logs database, files on disk.
class TestProcessLog : public QObject
{
    Q_OBJECT

private:
    static constexpr TScoreCounters kScore{7, 3, 23};

    struct TRun
    {
        explicit TRun(const QString& contest)
            : fix(contest), dialog(prompts, fix.dm, fix.own, [this] { return score; })
        {
            dialog.SetTableName(fix.own.TableName);
        }
        TProcessFixture fix;
        TScriptedPrompts prompts;
        TScoreCounters score = kScore;
        TfrmProcessLog dialog;

        template <typename T> T* Find(const char* name) { return dialog.findChild<T*>(name); }
        void Click(const char* name) { QTest::mouseClick(Find<QAbstractButton>(name), Qt::LeftButton); }
        void PickFolder(const QString& folder)
        {
            prompts.AnswerFolder(folder);
            Click("btnBrowse");
        }
        // Ticks "Set the process flag" and confirms it; the prompts so far are not kept among the records.
        void TickProcessFlag()
        {
            prompts.AnswerMessage(MsgButton::Yes);
            Click("cbProcessFlag");
            QCOMPARE(prompts.Records().last().kind, MsgKind::Confirmation);
            QCOMPARE(prompts.Pending(), 0);
            prompts.Clear();
        }
        // Presses OK; the answer queued goes to the message that follows.
        void PressOK()
        {
            prompts.AnswerMessage(MsgButton::OK);
            Click("btnOK");
        }
        QString File(const QString& folder, const char* extension) const
        {
            return folder + fix.own.TableName + QLatin1String(extension);
        }
    };

    static QStringList FilesIn(const QString& folder)
    {
        return QDir(folder).entryList(QDir::Files, QDir::Name);
    }

private slots:
    void Controls()
    {
        TRun run(QStringLiteral("General Log"));
        TfrmProcessLog& dialog = run.dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Process Log - W7VNT_2024_General_Log"));
        dialog.SetTableName(QStringLiteral("K1ABC_2023_Weak_Signal"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Process Log - K1ABC_2023_Weak_Signal"));
        QCOMPARE(dialog.TableName(), QStringLiteral("K1ABC_2023_Weak_Signal"));

        const QList<QPair<const char*, const char*>> captions = {{"btnBrowse", "Browse"},
                                                                 {"cbExport", "Create ADIF Export File"},
                                                                 {"cbProcessFlag", "Set the process flag"},
                                                                 {"cbADIFComment", "ADIF Comments"},
                                                                 {"cbSaveCharts", "Save Charts"},
                                                                 {"rbCRLF", "<CRLF>"},
                                                                 {"rbLFCR", "<LFCR>"},
                                                                 {"rbLF", "<LF>"},
                                                                 {"btnOK", "OK"},
                                                                 {"btnCancel", "Cancel"}};
        for (const auto& [name, caption] : captions) {
            QAbstractButton* button = run.Find<QAbstractButton>(name);
            QVERIFY2(button, name);
            QCOMPARE(button->text(), QString::fromUtf8(caption));
        }
        QCOMPARE(run.Find<QGroupBox>("RadioGroup1")->title(),
                 QStringLiteral("Select line ending characters"));
        QCOMPARE(run.Find<QLabel>("lblFileName")->text(), QStringLiteral("Folder to save processed files"));
        QCOMPARE(run.Find<QLabel>("lblSoapBox")->text(), QStringLiteral("Soapbox Comments"));
        QVERIFY(run.Find<QLineEdit>("txtFileName")->text().isEmpty());
        QVERIFY(run.Find<QLineEdit>("txtFileName")->isReadOnly());
        QVERIFY(run.Find<QLineEdit>("txtSoapBox")->text().isEmpty());
        // A multi-line soapbox pasted in stays one line.
        QGuiApplication::clipboard()->setText(QStringLiteral("Great fun\r\nEND_OF_LOG:"));
        run.Find<QLineEdit>("txtSoapBox")->paste();
        QCOMPARE(run.Find<QLineEdit>("txtSoapBox")->text(), QStringLiteral("Great fun  END_OF_LOG:"));
        run.Find<QLineEdit>("txtSoapBox")->clear();

        // Start: unticked, flags off, LF.
        for (const char* name : {"cbExport", "cbProcessFlag", "cbADIFComment", "cbSaveCharts"}) {
            QVERIFY(!run.Find<QCheckBox>(name)->isChecked());
        }
        QVERIFY(!dialog.adifexport() && !dialog.processflag() && !dialog.adifcomment() &&
                !dialog.savecharts());
        QVERIFY(run.Find<QRadioButton>("rbLF")->isChecked());
        QCOMPARE(dialog.EOL(), QStringLiteral("\n"));
        QVERIFY(dialog.FloderName().isEmpty());

        // Each box drives its own flag only.
        run.Click("cbExport");
        QVERIFY(dialog.adifexport() && !dialog.processflag() && !dialog.adifcomment());
        run.TickProcessFlag();
        run.Click("cbADIFComment");
        QVERIFY(dialog.adifexport() && dialog.processflag() && dialog.adifcomment());
        run.Click("cbExport");
        QVERIFY(!dialog.adifexport() && dialog.processflag() && dialog.adifcomment());
    }

    void LineEnding_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("eol");
        QTest::newRow("CRLF") << "rbCRLF" << QByteArray("\r\n");
        QTest::newRow("LFCR") << "rbLFCR" << QByteArray("\n\r");
        QTest::newRow("LF after CRLF") << "rbLF" << QByteArray("\n");
    }
    void LineEnding()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, eol);
        TRun run(QStringLiteral("General Log"));
        run.Click("rbCRLF");
        run.Click(qPrintable(button));
        QCOMPARE(run.dialog.EOL().toUtf8(), eol);

        const QString out = run.fix.OutputFolder(QStringLiteral("eol"));
        run.PickFolder(out);
        run.dialog.show();
        run.PressOK();
        const QByteArray log = TProcessFixture::ReadFile(run.File(out, ".log"));
        QVERIFY(log.startsWith("START-OF-LOG: VANTREL 6.2" + eol + "CONTEST: 10-10 General Log" + eol));
        QVERIFY(log.endsWith("SOAPBOX: " + eol + eol + "END_OF_LOG:" + eol));
        // The dupe sheet keeps LF whatever the choice.
        QVERIFY(TProcessFixture::ReadFile(run.File(out, ".dup"))
                    .startsWith("W7VNT General Log Dupe Sheet\n\n\n"));
    }

    void BrowseFolder()
    {
        TRun run(QStringLiteral("General Log"));
        const QString out = run.fix.OutputFolder(QStringLiteral("picked"));
        run.PickFolder(out.chopped(1));
        QCOMPARE(run.prompts.Records().last().value, Paths::WorkFolder());
        QCOMPARE(run.dialog.FloderName(), out);
        QCOMPARE(run.Find<QLineEdit>("txtFileName")->text(), out);

        // Cancelling the picker keeps the folder.
        run.PickFolder(QString());
        QCOMPARE(run.dialog.FloderName(), out);
        QCOMPARE(run.Find<QLineEdit>("txtFileName")->text(), out);
    }

    // The three files of the sample log compared byte for byte with files checked by hand.
    void GoldenFiles_data()
    {
        QTest::addColumn<QString>("contest");
        QTest::addColumn<QString>("lineEnding");
        QTest::addColumn<bool>("comments");
        QTest::newRow("open_season_crlf_comments") << "Open Season"
                                                   << "rbCRLF" << true;
        QTest::newRow("open_season_lf") << "Open Season"
                                        << "rbLF" << false;
        QTest::newRow("general_log_lf_comments") << "General Log"
                                                 << "rbLF" << true;
        QTest::newRow("general_log_crlf") << "General Log"
                                          << "rbCRLF" << false;
    }
    void GoldenFiles()
    {
        QFETCH(QString, contest);
        QFETCH(QString, lineEnding);
        QFETCH(bool, comments);
        TRun run(contest);
        run.fix.AddSampleContacts();
        const QString out = run.fix.OutputFolder(QStringLiteral("golden"));
        // An older, longer file of the same name is replaced as a whole.
        {
            QFile old(run.File(out, ".log"));
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(100000, 'x'));
        }

        run.PickFolder(out);
        run.Click("cbExport");
        if (comments) {
            run.Click("cbADIFComment");
        }
        run.Click(qPrintable(lineEnding));
        run.Find<QLineEdit>("txtSoapBox")->setText(QStringLiteral("Great opening to EU – 73"));
        run.dialog.show();
        run.PressOK();
        QCOMPARE(run.prompts.Messages(), QStringList{QStringLiteral("Submission files written to ") + out});
        QCOMPARE(run.prompts.Records().last().kind, MsgKind::Information);
        QVERIFY(!run.dialog.isVisible());
        QCOMPARE(run.dialog.result(), int(QDialog::Accepted));

        const QString expected = QStringLiteral(VANTREL_FIXTURES "/process/") + QTest::currentDataTag() + '/';
        QCOMPARE(FilesIn(out), FilesIn(expected));
        for (const QString& name : FilesIn(expected)) {
            const QByteArray want = TProcessFixture::ReadFile(expected + name);
            const QByteArray got = TProcessFixture::ReadFile(out + name);
            if (got != want) {
                qsizetype at = 0;
                while (at < got.size() && at < want.size() && got[at] == want[at]) {
                    ++at;
                }
                QFAIL(qPrintable(
                    QStringLiteral("%1 differs at byte %2:\n got: %3\nwant: %4")
                        .arg(name)
                        .arg(at)
                        .arg(QString::fromUtf8(got.mid(at, 60)), QString::fromUtf8(want.mid(at, 60)))));
            }
        }
    }

    // "Save Charts" adds the three charts as PNG images beside the files, which stay byte for byte those
    // of a run without it.
    void SaveCharts()
    {
        TRun run(QStringLiteral("Open Season"));
        run.fix.AddSampleContacts();
        const QString plain = run.fix.OutputFolder(QStringLiteral("plain"));
        run.PickFolder(plain);
        run.Click("cbExport");
        run.dialog.show();
        run.PressOK();

        // Opened again, the same choices and the charts.
        const QString charts = run.fix.OutputFolder(QStringLiteral("charts"));
        run.dialog.show();
        run.PickFolder(charts);
        // On the boxes' marks: the dialog is laid out now, and a box takes clicks on its mark and text only.
        const auto tick = [&](const char* name) {
            auto* box = run.Find<QCheckBox>(name);
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
        };
        tick("cbSaveCharts");
        QVERIFY(run.dialog.savecharts());
        run.prompts.AnswerMessage(MsgButton::Yes);
        tick("cbProcessFlag");
        QVERIFY(run.dialog.processflag());
        run.PressOK();
        QCOMPARE(run.prompts.Messages().last(), QStringLiteral("Submission files written to ") + charts);

        const QString table = run.fix.own.TableName;
        const QStringList images = {table + QStringLiteral("_hours.png"),
                                    table + QStringLiteral("_modes.png"), table + QStringLiteral("_qth.png")};
        QCOMPARE(FilesIn(charts), FilesIn(plain) + images);
        for (const QString& name : FilesIn(plain)) {
            QCOMPARE(TProcessFixture::ReadFile(charts + name), TProcessFixture::ReadFile(plain + name));
        }
        for (const char* chart : {"_hours.png", "_modes.png", "_qth.png"}) {
            const QImage image(charts + table + QLatin1String(chart));
            QCOMPARE(image.size(), QSize(1200, 800));
        }
        QVERIFY(!run.fix.dm.GetTables().contains(table));
    }

    // A chart that cannot be written stops the run before the log is marked processed.
    void ChartCannotBeWritten()
    {
        TRun run(QStringLiteral("General Log"));
        run.fix.AddSampleContacts();
        const QString out = run.fix.OutputFolder(QStringLiteral("chartfails"));
        QVERIFY(QDir().mkpath(out + run.fix.own.TableName + QStringLiteral("_modes.png")));
        run.PickFolder(out);
        run.Click("cbSaveCharts");
        run.TickProcessFlag();
        run.dialog.show();
        run.PressOK();

        const QStringList messages = run.prompts.Messages();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(run.fix.own.TableName + QStringLiteral("_modes.png\"")),
                 qPrintable(messages[0]));
        QVERIFY(run.dialog.isVisible());
        QVERIFY(QFile::exists(run.File(out, ".log")) && QFile::exists(run.File(out, ".dup")));
        QVERIFY(run.fix.dm.GetTables().contains(run.fix.own.TableName));
    }

    // Every field of a written ADIF file reads back with the length in its tag.
    void ADIFTagsMatchValues()
    {
        TRun run(QStringLiteral("Open Season"));
        run.fix.AddSampleContacts();
        const QString out = run.fix.OutputFolder(QStringLiteral("adif"));
        run.PickFolder(out);
        run.Click("cbExport");
        run.Click("cbADIFComment");
        run.dialog.show();
        run.PressOK();

        const QByteArray file = TProcessFixture::ReadFile(run.File(out, ".adif"));
        QVERIFY(
            file.startsWith("ADIF Export from Vantrel Verson: 6.2\n<ADIF_VER:4>2.71\n<EOH>\n<qso_date:8:d>"));
        QVERIFY(file.endsWith("<eor>"));
        QList<TADIFTag> tags;
        const QString error = WalkADIF(file, tags);
        QVERIFY2(error.isEmpty(), qPrintable(error));

        QStringList names;
        QByteArrayList calls;
        for (const TADIFTag& tag : tags) {
            if (tag.name == "name") {
                names << QString::fromUtf8(tag.value);
            } else if (tag.name == "call") {
                calls << tag.value;
            }
        }
        QCOMPARE(calls.size(), TProcessFixture::SampleContacts().size());
        QCOMPARE(calls.first(), QByteArray("K1ABC"));
        QVERIFY(names.contains(QStringLiteral("José Müller")));
        QVERIFY(file.contains("<name:13>Jos\xC3\xA9 M\xC3\xBCller"));
        QCOMPARE(std::count_if(tags.cbegin(), tags.cend(), [](const TADIFTag& t) { return t.name == "eor"; }),
                 calls.size());
    }

    void EmptyLog()
    {
        TProcessFixture fix(QStringLiteral("Open Season"));
        TProcessOptions options;
        options.folder = fix.OutputFolder(QStringLiteral("empty"));
        options.adifexport = true;
        TLogProcessor processor(fix.dm, fix.own, fix.own.TableName, {}, options);
        processor.ProcessTheLog();
        const QByteArray log = TProcessFixture::ReadFile(processor.LogFileName());
        QVERIFY(log.contains("\nCONTACTS WITH EPC: 0\nCONTACTS WITH 070: 0\nTOTAL CONTACTS: 0\n"));
        QVERIFY(log.endsWith("\nSOAPBOX: \n\nEND_OF_LOG:\n"));
        QCOMPARE(TProcessFixture::ReadFile(processor.ADIFFileName()),
                 QByteArray("ADIF Export from Vantrel Verson: 6.2\n<ADIF_VER:4>2.71\n<EOH>"));
        const QByteArray dup = TProcessFixture::ReadFile(processor.DupFileName());
        QVERIFY(dup.startsWith("W7VNT Open Season Dupe Sheet\n\n\nCall Area 0\n\n\nCall Area 1\n"));
        QVERIFY(dup.endsWith("\n\nCall Area 8\n\n\nCall Area 9\n"));
    }

    void ProcessFlag_data()
    {
        QTest::addColumn<bool>("ticked");
        QTest::newRow("ticked") << true;
        QTest::newRow("not ticked") << false;
    }
    void ProcessFlag()
    {
        QFETCH(bool, ticked);
        TRun run(QStringLiteral("General Log"));
        run.PickFolder(run.fix.OutputFolder(QStringLiteral("flag")));
        if (ticked) {
            run.TickProcessFlag();
        }
        run.dialog.show();
        run.PressOK();
        QCOMPARE(run.fix.dm.GetTables().contains(run.fix.own.TableName), !ticked);
    }

    // The dialog lives for the run: its choices stay for the next use, and a second run replaces the files.
    void KeepsChoicesBetweenUses()
    {
        TRun run(QStringLiteral("Open Season"));
        run.fix.AddSampleContacts();
        const QString out = run.fix.OutputFolder(QStringLiteral("twice"));
        run.PickFolder(out);
        run.Click("cbExport");
        run.Click("rbCRLF");
        QTest::keyClicks(run.Find<QLineEdit>("txtSoapBox"), QStringLiteral("first"));
        run.dialog.show();
        run.PressOK();
        QVERIFY(!run.dialog.isVisible());
        const QByteArray firstLog = TProcessFixture::ReadFile(run.File(out, ".log"));
        QVERIFY(firstLog.contains("\r\nCLAIMED SCORE: 23\r\n"));

        // The counters are read when OK is pressed.
        run.score = {8, 3, 25};
        tLogRecord rec;
        rec.date = QStringLiteral("2024-02-04");
        rec.time = QStringLiteral("01:00");
        rec.call = QStringLiteral("AA9ZZ");
        rec.mode = QStringLiteral("CW");
        rec.qth = QStringLiteral("IL");
        run.fix.dm.LogAddRecord(rec, run.fix.own.TableName);
        run.dialog.show();
        QCOMPARE(run.dialog.FloderName(), out);
        QCOMPARE(run.Find<QLineEdit>("txtFileName")->text(), out);
        QCOMPARE(run.Find<QLineEdit>("txtSoapBox")->text(), QStringLiteral("first"));
        QVERIFY(run.Find<QCheckBox>("cbExport")->isChecked() && run.dialog.adifexport());
        QVERIFY(run.Find<QRadioButton>("rbCRLF")->isChecked());
        run.PressOK();

        const QByteArray log = TProcessFixture::ReadFile(run.File(out, ".log"));
        QVERIFY(log.contains("\r\nCLAIMED SCORE: 25\r\n"));
        QVERIFY(log.contains("\r\nSOAPBOX: first\r\n\r\n"));
        QVERIFY(log.endsWith("AA9ZZ" + QByteArray(19, ' ') + "IL   00000-00000-00000\r\nEND_OF_LOG:\r\n"));
        QVERIFY(TProcessFixture::ReadFile(run.File(out, ".dup")).endsWith("\nCall Area 9\nAA9ZZ,k9xyz,"));
        QVERIFY(TProcessFixture::ReadFile(run.File(out, ".adif"))
                    .endsWith("<call:5>AA9ZZ"
                              " <name:0> <mode:2>CW <rst_rcvd:3>599"
                              "<rst_sent:3>599<band:3>10M <state:2>IL"
                              " <dxcc:3>291<ten_ten:1>0"
                              "<SRX_STRING:5>0-0-0 <station_callsign:5>W7VNT<eor>"));
    }

    void Cancel()
    {
        TRun run(QStringLiteral("General Log"));
        const QString out = run.fix.OutputFolder(QStringLiteral("cancel"));
        run.PickFolder(out);
        run.dialog.show();
        run.Click("btnCancel");
        QVERIFY(!run.dialog.isVisible());
        QCOMPARE(run.dialog.result(), int(QDialog::Rejected));
        QVERIFY(FilesIn(out).isEmpty());
        QCOMPARE(run.prompts.Messages(), QStringList());
    }

    // With no folder picked the files go to the work folder, never the current directory, and the closing
    // message names the full path.
    void NoFolderPicked()
    {
        TRun run(QStringLiteral("General Log"));
        run.fix.AddSampleContacts();
        const QString current = QDir::currentPath();
        const QString here = run.fix.OutputFolder(QStringLiteral("current"));
        QVERIFY(QDir::setCurrent(here));
        QCOMPARE(run.Find<QLineEdit>("txtFileName")->placeholderText(),
                 QDir::toNativeSeparators(Paths::WorkFolder()));
        run.dialog.show();
        run.PressOK();
        QDir::setCurrent(current);
        QCOMPARE(run.prompts.Messages(), QStringList{QStringLiteral("Submission files written to ") +
                                                     QDir::toNativeSeparators(Paths::WorkFolder())});
        QVERIFY(FilesIn(here).isEmpty());
        QVERIFY(QFileInfo(Paths::WorkFolder()).isAbsolute());
        QVERIFY(TProcessFixture::ReadFile(run.File(Paths::WorkFolder(), ".log")).endsWith("\nEND_OF_LOG:\n"));
        QVERIFY(QFile::exists(run.File(Paths::WorkFolder(), ".dup")));
    }

    // Ticking the process flag asks first; No leaves it unticked and the log open.
    void ProcessFlagAsksFirst()
    {
        TRun run(QStringLiteral("General Log"));
        run.PickFolder(run.fix.OutputFolder(QStringLiteral("ask")));
        run.prompts.AnswerMessage(MsgButton::No);
        run.Click("cbProcessFlag");
        QCOMPARE(run.prompts.Records().last().kind, MsgKind::Confirmation);
        QCOMPARE(run.prompts.Records().last().buttons, MsgButton::Yes | MsgButton::No);
        QVERIFY(!run.Find<QCheckBox>("cbProcessFlag")->isChecked());
        QVERIFY(!run.dialog.processflag());
        run.dialog.show();
        run.PressOK();
        QVERIFY(run.fix.dm.GetTables().contains(run.fix.own.TableName));
    }

    void UnwritableFolder_data()
    {
        QTest::addColumn<QString>("folder"); // under the test's root
        QTest::newRow("through a file") << "afile/";
        QTest::newRow("missing folder") << "gone/away/";
    }
    void UnwritableFolder()
    {
        QFETCH(QString, folder);
        TRun run(QStringLiteral("Open Season"));
        run.fix.AddSampleContacts();
        const QString root = run.fix.home.Root() + '/';
        {
            QFile file(root + QStringLiteral("afile"));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        run.PickFolder(root + folder.chopped(1));
        run.Click("cbExport");
        run.TickProcessFlag();
        run.dialog.show();
        run.PressOK();

        const QStringList messages = run.prompts.Messages();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].startsWith(QStringLiteral("Cannot create file \"") + root + folder +
                                        run.fix.own.TableName + QStringLiteral(".log\".")),
                 qPrintable(messages[0]));
        QCOMPARE(run.prompts.Records().last().kind, MsgKind::Error);
        QVERIFY(run.dialog.isVisible());
        QVERIFY(run.fix.dm.GetTables().contains(run.fix.own.TableName));
        QVERIFY(!QFile::exists(run.File(root + folder, ".log")));
    }

    // On a full disk the write fails before any file is replaced: the files of the earlier run stay as
    // they were, the error gives the system's reason, and no success is reported.
    void FullDiskKeepsEarlierFiles()
    {
        TSmallDisk disk;
        if (!disk.IsMounted()) {
            QSKIP(qPrintable(disk.Reason()));
        }
        TRun run(QStringLiteral("General Log"));
        run.fix.AddSampleContacts();
        const QString out = disk.Path();
        for (const char* extension : {".log", ".dup", ".adif"}) {
            QFile file(run.File(out, extension));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("earlier ") + extension);
        }
        QVERIFY(disk.Fill());
        run.PickFolder(out.chopped(1));
        run.Click("cbExport");
        run.TickProcessFlag();
        run.dialog.show();
        run.PressOK();

        const QStringList messages = run.prompts.Messages();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(run.fix.own.TableName + QStringLiteral(".log\"")) &&
                     messages[0].contains(QStringLiteral("No space left on device")),
                 qPrintable(messages[0]));
        QCOMPARE(run.prompts.Records().last().kind, MsgKind::Error);
        QVERIFY(run.dialog.isVisible());
        for (const char* extension : {".log", ".dup", ".adif"}) {
            QCOMPARE(TProcessFixture::ReadFile(run.File(out, extension)), QByteArray("earlier ") + extension);
        }
        QVERIFY(run.fix.dm.GetTables().contains(run.fix.own.TableName));
    }

    // A file that fails part way leaves the files before it and runs none of the later steps.
    void DupeSheetCannotBeWritten()
    {
        TRun run(QStringLiteral("General Log"));
        run.fix.AddSampleContacts();
        const QString out = run.fix.OutputFolder(QStringLiteral("dupfails"));
        QVERIFY(QDir().mkpath(run.File(out, ".dup")));
        run.PickFolder(out);
        run.Click("cbExport");
        run.TickProcessFlag();
        run.dialog.show();
        run.PressOK();

        const QStringList messages = run.prompts.Messages();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(run.fix.own.TableName + QStringLiteral(".dup\"")),
                 qPrintable(messages[0]));
        QVERIFY(run.dialog.isVisible());
        QVERIFY(TProcessFixture::ReadFile(run.File(out, ".log")).endsWith("\nEND_OF_LOG:\n"));
        QVERIFY(!QFile::exists(run.File(out, ".adif")));
        QVERIFY(run.fix.dm.GetTables().contains(run.fix.own.TableName));
    }

    // No open log: the database refuses the query before any file is written.
    void NoCurrentLog()
    {
        TRun run(QStringLiteral("General Log"));
        run.dialog.SetTableName(QString());
        QCOMPARE(run.dialog.windowTitle(), QStringLiteral("Process Log - "));
        const QString out = run.fix.OutputFolder(QStringLiteral("nolog"));
        run.PickFolder(out);
        run.Click("cbExport");
        run.dialog.show();
        run.PressOK();
        QCOMPARE(run.prompts.Messages(), QStringList{QStringLiteral("no such table:")});
        QCOMPARE(run.prompts.Records().last().kind, MsgKind::Error);
        QVERIFY(run.dialog.isVisible());
        QVERIFY(FilesIn(out).isEmpty());
    }
};

VANTREL_TEST(TestProcessLog)
#include "tst_ProcessLog.moc"
