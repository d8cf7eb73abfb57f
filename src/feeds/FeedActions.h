#pragma once

#include "IEntryForm.h"
#include "ServerCommand.h"
#include "app/LogRules.h"

class TDM;
struct TMysettings;
struct tLogRecord;

// What the two feeds do with what they receive: a server command acts on the entry form, an FLdigi
// contact fills the form or is logged straight into the current log.

// Carries out one command of the logging server on the entry form.
void ApplyServerCommand(const TServerCommand& command, IEntryForm& form);

// Fills the entry form from an FLdigi contact: call, name, Ten-Ten, EPC and 070 numbers, the mode text,
// and the US choice with the state (a two-letter QTH) or the DX choice with the country. Date, time,
// county and comment stay as they are; so does the VP number, unless the contact carries one (the file has
// none, a lookup of this computer's data may have found one).
void FillFormFromContact(const tLogRecord& rec, IEntryForm& form);

// True when a contact is a duplicate in the current log under the event's rule, as the Log button checks it.
bool IsDuplicateContact(TDM& dm, const TMysettings& settings, const tLogRecord& rec);

// Stores a contact that another program logged into the current log, scored as a typed contact (its DXCC
// number as given). Returns the score for the counters. Throws EVantrel when no log is open,
// EDatabaseError when the row cannot be stored.
TContactScore StoreContact(TDM& dm, const TMysettings& settings, tLogRecord rec);

// Logs an FLdigi contact into the current log without the entry form and without a duplicate check:
// scored as a typed contact, its DXCC number from its QTH. Returns the score for the counters. Throws
// EVantrel when no log is open, EDatabaseError when the row cannot be stored.
TContactScore AutoLogContact(TDM& dm, const TMysettings& settings, tLogRecord rec);
