#include "host/data/ApplicationLock.hpp"

#include "host/data/Connection.hpp"
#include "host/types/Errors.hpp"

namespace Talvex::Data {

SessionLock::SessionLock(Connection& db, std::string resource) : db_(db), resource_(std::move(resource))
{
    if (resource_.empty()) throw ValueError("SessionLock: the lock needs a resource name");
    db_.Execute("EXEC sp_getapplock @Resource = ?, @LockMode = 'Exclusive', @LockOwner = 'Session'",
                {Value(resource_)});
}

SessionLock::~SessionLock()
{
    try {
        db_.Execute("EXEC sp_releaseapplock @Resource = ?, @LockOwner = 'Session'", {Value(resource_)});
    } catch (...) {
        // A lost connection took the lock with it.
    }
}

void LockForTransaction(Connection& db, const std::string& resource)
{
    if (resource.empty()) throw ValueError("LockForTransaction: the lock needs a resource name");
    if (!db.InTransaction())
        throw ValueError("LockForTransaction: the lock on \"" + resource + "\" needs a running transaction");
    db.Execute("EXEC sp_getapplock @Resource = ?, @LockMode = 'Exclusive', @LockOwner = 'Transaction'",
               {Value(resource)});
}

} // namespace Talvex::Data
