#include "TestRegistry.h"

#include <QApplication>
#include <QDir>
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
