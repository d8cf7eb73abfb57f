#include "TestRegistry.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <map>
#include <memory>

namespace {

std::map<QString, std::function<QObject*()>>& Registry()
{
    static std::map<QString, std::function<QObject*()>> registry;
    return registry;
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
    int failures = 0;
    for (const auto& [name, factory] : Registry()) {
        if (!only.isEmpty() && name != only) {
            continue;
        }
        std::unique_ptr<QObject> test(factory());
        failures += QTest::qExec(test.get(), argc, argv) != 0 ? 1 : 0;
    }
    return failures == 0 ? 0 : 1;
}
