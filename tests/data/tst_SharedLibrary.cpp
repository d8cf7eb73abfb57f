#include "common/TestRegistry.h"
#include "data/Errors.h"
#include "data/TSharedLibrary.h"

#include <QTest>
#include <archive.h>

// A library loaded when first used: its functions resolve, and a library or function that is missing is
// reported by name instead of ending the program.
class TestSharedLibrary : public QObject
{
    Q_OBJECT

private slots:
    void ResolvesTheLibrarysFunctions()
    {
        TSharedLibrary library(QStringLiteral("archive"), 13);
        auto* version = library.Resolve<decltype(::archive_version_number)>("archive_version_number");
        QCOMPARE(version(), ARCHIVE_VERSION_NUMBER);
    }

    void MissingLibraryOrFunctionIsNamed_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("function");
        QTest::addColumn<QString>("named");
        QTest::newRow("library") << "vantrel-no-such-library" << QByteArray("f")
                                 << "libvantrel-no-such-library.so.1";
        QTest::newRow("function") << "archive" << QByteArray("archive_no_such_function")
                                  << "archive_no_such_function";
    }

    void MissingLibraryOrFunctionIsNamed()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, function);
        QFETCH(QString, named);
        try {
            TSharedLibrary library(name, name == QStringLiteral("archive") ? 13 : 1);
            library.Resolve<void()>(function.constData());
            QFAIL("no error");
        } catch (const EVantrel& e) {
            QVERIFY2(e.Message().contains(named), qPrintable(e.Message()));
        }
    }
};

VANTREL_TEST(TestSharedLibrary)
#include "tst_SharedLibrary.moc"
