#include "UpdateSettings.h"

#include "data/Errors.h"

#include <QDir>

QString ServerUrl(const TSettings& settings, const QString& key, const QString& path)
{
    QString server = settings.GetSetting(key, QString()).trimmed();
    while (server.endsWith('/')) {
        server.chop(1);
    }
    if (server.isEmpty()) {
        throw EVantrel(QStringLiteral("No server address is set for %1.\n"
                                      "Add the line %1=<address> to the [Settings] section of %2.")
                           .arg(key, QDir::toNativeSeparators(settings.Path())));
    }
    return server + path;
}
