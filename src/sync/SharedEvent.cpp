#include "SharedEvent.h"

#include <array>
#include <utility>

namespace {

// The shared text fields and where the record keeps them.
std::array<std::pair<const char*, QString TMysettings::*>, 17> TextFields()
{
    return {{{"contestname", &TMysettings::ContestName},
             {"contestmode", &TMysettings::ContestMode},
             {"callarea", &TMysettings::CallArea},
             {"chapter", &TMysettings::Chapter},
             {"callsign", &TMysettings::Callsign},
             {"tenten", &TMysettings::TenTen},
             {"vp", &TMysettings::vp},
             {"epc", &TMysettings::epc},
             {"p070", &TMysettings::p070},
             {"firstname", &TMysettings::FirstName},
             {"lastname", &TMysettings::LastName},
             {"address", &TMysettings::Address},
             {"city", &TMysettings::City},
             {"state", &TMysettings::State},
             {"postal", &TMysettings::Postal},
             {"email", &TMysettings::Email},
             {"operators", &TMysettings::ClubOperators}}};
}

} // namespace

TEventConfig EventConfigOf(const TMysettings& rec)
{
    TEventConfig event;
    for (const auto& [field, member] : TextFields()) {
        event.insert(QString::fromLatin1(field), rec.*member);
    }
    event.insert(QStringLiteral("entitytype"), QString::number(rec.EntityType));
    event.insert(QStringLiteral("qrp"), rec.QRP ? QStringLiteral("1") : QStringLiteral("0"));
    event.insert(QStringLiteral("tablename"), rec.TableName);
    return event;
}

TMysettings EventRecord(const TEventConfig& event, const QString& table)
{
    TMysettings rec;
    for (const auto& [field, member] : TextFields()) {
        rec.*member = event.value(QString::fromLatin1(field));
    }
    rec.EntityType = event.value(QStringLiteral("entitytype")).toInt();
    rec.QRP = event.value(QStringLiteral("qrp")).toInt() != 0;
    rec.TableName = table;
    return rec;
}
