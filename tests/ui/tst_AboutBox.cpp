#include "common/TScriptedPrompts.h"
#include "common/TestRegistry.h"
#include "data/Errors.h"
#include "data/MyFunc.h"
#include "gui/common/ProgramIcon.h"
#include "gui/common/TAboutBox.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTest>

// The about box, the version information of the build and the operating system's name.
class TestAboutBox : public QObject
{
    Q_OBJECT

    static QString Text(const TAboutBox& box, const char* name)
    {
        return box.findChild<QLabel*>(QString::fromLatin1(name))->text();
    }

private slots:
    void cleanup() { QApplication::setWindowIcon(QIcon()); }

    void ShowsTheCompiledVersionData()
    {
        QApplication::setWindowIcon(ProgramIcon());
        TScriptedPrompts prompts;
        TAboutBox box(prompts);
        QCOMPARE(box.windowTitle(), QStringLiteral("About"));
        const TEXEVersionData data = CompiledVersionData();
        QCOMPARE(Text(box, "ProductName"), QStringLiteral("Vantrel"));
        QCOMPARE(Text(box, "ProductName"), data.ProductName);
        // The version is the one the build was made with: four whole numbers.
        QCOMPARE(Text(box, "Version"), QStringLiteral("Versiom: ") + QStringLiteral(VANTREL_VERSION));
        QVERIFY(QRegularExpression(QStringLiteral("^Versiom: \\d+\\.\\d+\\.\\d+\\.\\d+$"))
                    .match(Text(box, "Version"))
                    .hasMatch());
        QCOMPARE(Text(box, "Copyright"), data.LegalCopyright + '\n' + data.LegalTrademarks);
        QVERIFY(!data.LegalCopyright.isEmpty() && !data.LegalTrademarks.isEmpty());
        QCOMPARE(Text(box, "Comments"), data.Comments);
        QVERIFY(!data.Comments.isEmpty());
        QCOMPARE(Text(box, "LabelOS"), QStringLiteral("Operating System: ") + QSysInfo::prettyProductName());
        QCOMPARE(box.osVer().FileVersion, QStringLiteral(VANTREL_VERSION));
        auto* icon = box.findChild<QLabel*>(QStringLiteral("ProgramIcon"));
        QCOMPARE(icon->size(), QSize(60, 60));
        QVERIFY(!icon->pixmap().isNull());
        auto* ok = box.findChild<QPushButton*>(QStringLiteral("OKButton"));
        QVERIFY(ok->isDefault());
        box.show();
        ok->click();
        QCOMPARE(box.result(), int(QDialog::Accepted));
        QCOMPARE(prompts.Messages(), QStringList());
    }

    // Without a program icon the box keeps its designed captions.
    void NoIconKeepsDesignedCaptions()
    {
        TScriptedPrompts prompts;
        TAboutBox box(prompts);
        QCOMPARE(Text(box, "ProductName"), QStringLiteral("Product Name"));
        QCOMPARE(Text(box, "Version"), QStringLiteral("Version"));
        QCOMPARE(Text(box, "Copyright"), QStringLiteral("Copyright"));
        QCOMPARE(Text(box, "Comments"), QStringLiteral("Comments"));
        QCOMPARE(Text(box, "LabelOS"), QStringLiteral("LabelOS"));
    }

    void OtherFilesHaveNoVersionData()
    {
        QVERIFY_THROWS_EXCEPTION(EVantrel, GetEXEVersionData(QStringLiteral("/bin/sh")));
        const TEXEVersionData own = GetEXEVersionData(QCoreApplication::applicationFilePath());
        QCOMPARE(own.FileVersion, GetFileVersion(QCoreApplication::applicationFilePath()));
    }

    void OSNames_data()
    {
        QTest::addColumn<int>("build");
        QTest::addColumn<QString>("name");
        QTest::newRow("19045") << 19045 << "Windows 10, Version 22H1";
        QTest::newRow("22621") << 22621 << "Windows 11, Version 22H2";
        QTest::newRow("first in the table") << 511 << "Windows NT 3.1";
        QTest::newRow("98 SE") << 2222 << "Windows 98 Second Edition (SE)";
        QTest::newRow("not in the table") << 26100 << "Undefined";
        QTest::newRow("zero") << 0 << "Undefined";
    }

    void OSNames()
    {
        QFETCH(int, build);
        QFETCH(QString, name);
        QCOMPARE(OSNameOfBuild(build), name);
    }

    // The icon is drawn from its SVG source: a filled picture, transparent only in its rounded corners.
    void ProgramIconIsDrawn()
    {
        const QImage image = ProgramPixmap(64).toImage();
        QCOMPARE(image.size(), QSize(64, 64));
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(32, 40)), 255);
        QVERIFY(image.pixel(32, 40) != image.pixel(10, 10));
    }

    // The program icon comes once the first window is on the screen, and every window has it then.
    void IconFollowsTheFirstWindow()
    {
        SetProgramIconOnceShown();
        QCoreApplication::processEvents();
        QVERIFY(QApplication::windowIcon().isNull());
        QWidget first;
        first.show();
        QVERIFY(QTest::qWaitForWindowExposed(&first));
        QTRY_VERIFY(!QApplication::windowIcon().isNull());
        QCOMPARE(QApplication::windowIcon().availableSizes(), ProgramIcon().availableSizes());
        QCOMPARE(first.windowIcon().availableSizes(), ProgramIcon().availableSizes());
        QWidget second;
        second.show();
        QCOMPARE(second.windowIcon().availableSizes(), ProgramIcon().availableSizes());
    }
};

VANTREL_TEST(TestAboutBox)
#include "tst_AboutBox.moc"
