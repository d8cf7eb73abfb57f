#pragma once

#include "IEntryForm.h"
#include "feeds/ServerCommand.h"

#include <optional>

struct tLogRecord;

// What the two feeds do to the entry form: a server command acts on it, an FLdigi contact fills it. A
// contact logged straight into the log goes through LogContact.

// Carries out one command of the logging server on the entry form; for a LOG, returns what became of the
// contact.
std::optional<TLogResult::TOutcome> ApplyServerCommand(const TServerCommand& command, IEntryForm& form);

// Fills the entry form from an FLdigi contact: call, name, Ten-Ten, EPC and 070 numbers, the mode text,
// and the US choice with the state (a two-letter QTH) or the DX choice with the country. Date, time,
// county and comment stay as they are; so does the VP number, unless the contact carries one (the file has
// none, a lookup of this computer's data may have found one).
void FillFormFromContact(const tLogRecord& rec, IEntryForm& form);
