#pragma once

#include "data/TMysettings.h"

#include <QMap>
#include <QString>

// The event's configuration as the shared log keeps it on the server, field by field (named as the columns
// of `config`): what every position needs to log and process the event. The call-book accounts and the
// lookup source stay with each position.
using TEventConfig = QMap<QString, QString>;

TEventConfig EventConfigOf(const TMysettings& rec);

// A configuration record for a new local copy of a shared log, from the server's configuration.
TMysettings EventRecord(const TEventConfig& event, const QString& table);
