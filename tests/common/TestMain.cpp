#include "TestRegistry.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMetaMethod>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <map>
#include <memory>

namespace {

std::map<QString, std::function<QObject*()>>& Registry()
{
    static std::map<QString, std::function<QObject*()>> registry;
    return registry;
}

// The test functions of a class in the order it declares them, without those named in skip.
QStringList FunctionsBut(const QMetaObject& meta, const QString& className, const QStringList& skip)
{
    static const QStringList fixtures = {QStringLiteral("initTestCase"), QStringLiteral("cleanupTestCase"),
                                         QStringLiteral("init"), QStringLiteral("cleanup")};
    QStringList functions;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        const QString name = QString::fromLatin1(method.name());
        if (method.methodType() != QMetaMethod::Slot || method.access() != QMetaMethod::Private ||
            method.parameterCount() != 0 || fixtures.contains(name) ||
            name.endsWith(QLatin1String("_data")) || skip.contains(className + QLatin1String("::") + name)) {
            continue;
        }
        functions << name;
    }
    return functions;
}

} // namespace

int RegisterTestClass(const char* name, std::function<QObject*()> factory)
{
    Registry()[QString::fromLatin1(name)] = std::move(factory);
    return 0;
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen") {
        // Two screens side by side: the smallest common one, 1024 x 768, and the same at a scale factor
        // of 2, where the windows have 512 x 384 pixels of twice the size.
        QFile screens(runtime.filePath(QStringLiteral("screens.json")));
        if (screens.open(QIODevice::WriteOnly)) {
            screens.write(R"({"screens": [
                {"name": "desk", "x": 0, "y": 0, "width": 1024, "height": 768},
                {"name": "desk at scale 2", "x": 1024, "y": 0, "width": 512, "height": 384, "dpr": 2}]})");
            screens.close();
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens.fileName()));
        }
    }
    QApplication app(argc, argv);
    const QString only = qEnvironmentVariable("VANTREL_TEST_CLASS");
    // Classes ("TestX") or test functions ("TestX::Function") left to a run of their own, separated by
    // spaces: the test runner starts a slow one beside the rest of its program.
    const QStringList skip = qEnvironmentVariable("VANTREL_TEST_SKIP").split(u' ', Qt::SkipEmptyParts);
    int failures = 0;
    for (const auto& [name, factory] : Registry()) {
        if ((!only.isEmpty() && name != only) || skip.contains(name)) {
            continue;
        }
        std::unique_ptr<QObject> test(factory());
        const QString prefix = name + QLatin1String("::");
        if (std::none_of(skip.begin(), skip.end(), [&](const QString& s) { return s.startsWith(prefix); })) {
            failures += QTest::qExec(test.get(), argc, argv) != 0 ? 1 : 0;
            continue;
        }
        // The class's other functions, named after the arguments given.
        QStringList args;
        for (int i = 0; i < argc; ++i) {
            args << QString::fromLocal8Bit(argv[i]);
        }
        args << FunctionsBut(*test->metaObject(), name, skip);
        failures += QTest::qExec(test.get(), args) != 0 ? 1 : 0;
    }
    return failures == 0 ? 0 : 1;
}
