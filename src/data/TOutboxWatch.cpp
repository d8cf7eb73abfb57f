#include "TOutboxWatch.h"

#include "TDM.h"

#include <atomic>
#include <cstring>
#include <sqlite3.h>

struct TOutboxWatch::TState
{
    QPointer<QObject> context;
    std::function<void()> changed;
    std::atomic<bool> queued{false};
};

TOutboxWatch::TOutboxWatch(TDM& dm, QObject* context, std::function<void()> changed)
    : fDM(dm), fHandle(SqliteHandle(dm.condb())), fState(std::make_shared<TState>())
{
    fState->context = context;
    fState->changed = std::move(changed);
    if (fHandle) {
        sqlite3_update_hook(fHandle, &TOutboxWatch::Hook, this);
    }
}

TOutboxWatch::~TOutboxWatch()
{
    // Only while the connection is still the one the hook was set on (it may have been closed since).
    if (fHandle && SqliteHandle(fDM.condb()) == fHandle) {
        sqlite3_update_hook(fHandle, nullptr, nullptr);
    }
}

void TOutboxWatch::Hook(void* self, int operation, const char*, const char* table, long long)
{
    if (operation != SQLITE_INSERT || std::strcmp(table, "sync_outbox") != 0) {
        return;
    }
    const std::shared_ptr<TState>& state = static_cast<TOutboxWatch*>(self)->fState;
    if (state->queued.exchange(true) || !state->context) {
        return;
    }
    const std::weak_ptr<TState> weak = state;
    QMetaObject::invokeMethod(
        state->context,
        [weak] {
            if (const std::shared_ptr<TState> s = weak.lock()) {
                s->queued = false;
                s->changed();
            }
        },
        Qt::QueuedConnection);
}
