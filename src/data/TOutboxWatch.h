#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class TDM;
struct sqlite3;

// Tells when a change of the logs connection put something into the sharing's outbox: the engine's update
// hook sees each row written, and one call of changed is queued to the context's thread per burst of
// entries (it runs once the statement that wrote them has returned). Changes made by other programs are
// not seen here; the sharing also looks at the outbox from time to time. The logs connection has one such
// hook: while a watch lives, nothing else may set it.
class TOutboxWatch
{
public:
    TOutboxWatch(TDM& dm, QObject* context, std::function<void()> changed);
    ~TOutboxWatch();
    TOutboxWatch(const TOutboxWatch&) = delete;
    TOutboxWatch& operator=(const TOutboxWatch&) = delete;

private:
    struct TState;
    static void Hook(void* state, int operation, const char* database, const char* table, long long rowid);

    TDM& fDM;
    sqlite3* fHandle = nullptr;
    std::shared_ptr<TState> fState;
};
