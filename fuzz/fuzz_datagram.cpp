// The logging server's datagram reader and the command it gives, carried out on an entry form that
// checks every field it is handed: no datagram may crash, and a command must carry the fields its
// handling reads.
#include "app/FeedActions.h"
#include "feeds/ServerCommand.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// An entry form that only looks at what it is given.
class TCheckingForm : public IEntryForm
{
public:
    void SetField(TField, const QString& value) override { Touch(value); }
    void SetModeText(const QString& text) override { Touch(text); }
    void SelectMode(const QString& text) override { Touch(text); }
    void SelectQTH(const QString& text) override { Touch(text); }
    void SelectCounty(const QString& text) override { Touch(text); }
    void ChooseUS() override {}
    void ChooseDX() override {}
    void QTHClick() override {}
    void LogContact() override {}
    void ClearForm() override {}
    void AutoLookupCall() override {}

    size_t length = 0;

private:
    void Touch(const QString& text)
    {
        for (const QChar c : text) {
            length += c.unicode() & 1;
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray payload(reinterpret_cast<const char*>(data), qsizetype(size));
    const TServerCommand command = ParseDatagram(payload);
    switch (command.kind) {
    case TServerCommandKind::Update:
        if (command.fields.size() < 8 ||
            (IsUnitedStates(command.fields.at(7)) && command.fields.size() < 10)) {
            abort();
        }
        break;
    case TServerCommandKind::Field:
        if (command.fields.size() < 2) {
            abort();
        }
        break;
    case TServerCommandKind::None:
        if (!command.fields.isEmpty()) {
            abort();
        }
        break;
    default:
        break;
    }
    TCheckingForm form;
    ApplyServerCommand(command, form);
    return 0;
}
