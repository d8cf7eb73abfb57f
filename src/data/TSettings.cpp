#include "TSettings.h"

namespace {
const QString kSection = QStringLiteral("Settings");
}

TSettings::TSettings(const QString& path) : reg(path) {}

QString TSettings::GetSetting(const QString& key, const QString& def) const
{
    return reg.Read(kSection, key).value_or(def);
}

int TSettings::GetSetting(const QString& key, int def) const
{
    const auto value = reg.Read(kSection, key);
    if (!value) {
        return def;
    }
    bool ok = false;
    const int number = value->trimmed().toInt(&ok);
    return ok ? number : def;
}

bool TSettings::GetSetting(const QString& key, bool def) const
{
    const auto value = reg.Read(kSection, key);
    if (!value) {
        return def;
    }
    bool ok = false;
    const int number = value->trimmed().toInt(&ok);
    return ok ? number != 0 : def;
}

void TSettings::SaveSetting(const QString& key, const QString& value)
{
    reg.Write(kSection, key, value);
}

void TSettings::SaveSetting(const QString& key, int value)
{
    reg.Write(kSection, key, QString::number(value));
}

void TSettings::SaveSetting(const QString& key, bool value)
{
    reg.Write(kSection, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TSettings::SaveSettings(const QList<std::pair<QString, QString>>& entries)
{
    reg.WriteMany(kSection, entries);
}
