#include "ServerCommand.h"

namespace {

const QStringList kFieldKeys = {QStringLiteral("CALL"), QStringLiteral("NAME"), QStringLiteral("TENTEN"),
                                QStringLiteral("VP"),   QStringLiteral("MODE"), QStringLiteral("EPC"),
                                QStringLiteral("070"),  QStringLiteral("qth"),  QStringLiteral("COUNTY")};

TServerCommand Command(TServerCommandKind kind, QStringList fields = {})
{
    return TServerCommand{kind, std::move(fields)};
}

} // namespace

bool IsUnitedStates(const QString& country)
{
    return country.compare(QStringLiteral("united states"), Qt::CaseInsensitive) == 0;
}

TServerCommand ParseDatagram(const QByteArray& payload)
{
    if (payload.size() > kMaxDatagramSize) {
        return {};
    }
    const QStringList pieces = QString::fromUtf8(payload).split(QLatin1Char(':'));
    const QString& word = pieces.first();
    if (word == QStringLiteral("LOG")) {
        return Command(TServerCommandKind::Log);
    }
    if (word == QStringLiteral("CLEAR")) {
        return Command(TServerCommandKind::Clear);
    }
    if (pieces.size() < 2) {
        return {};
    }
    QStringList fields = pieces.at(1).split(QLatin1Char(','));
    if (word == QStringLiteral("UPDATE")) {
        const qsizetype needed = fields.size() >= 8 && IsUnitedStates(fields.at(7)) ? 10 : 8;
        if (fields.size() < needed) {
            return {};
        }
        return Command(TServerCommandKind::Update, std::move(fields));
    }
    if (word == QStringLiteral("FIELD")) {
        if (fields.size() < 2 || !kFieldKeys.contains(fields.first())) {
            return {};
        }
        if (fields.first() == QStringLiteral("qth") && IsUnitedStates(fields.at(1)) && fields.size() < 3) {
            return {};
        }
        return Command(TServerCommandKind::Field, std::move(fields));
    }
    return {};
}
