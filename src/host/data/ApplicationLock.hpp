#pragma once

#include <string>

namespace Talvex::Data {

class Connection;

// The session's application lock on a named resource ("sp_getapplock", owner Session,
// exclusive), held while the object lives. Writers that take the same name take turns: one
// taken before a unit of work begins lets the unit read what the previous holder committed
// (its documents and their numbers). Waits as long as the holder keeps it; a lost connection
// takes the lock with it.
class SessionLock {
public:
    SessionLock(Connection& db, std::string resource);
    ~SessionLock();
    SessionLock(const SessionLock&) = delete;
    SessionLock& operator=(const SessionLock&) = delete;

    const std::string& Resource() const { return resource_; }

private:
    Connection& db_;
    std::string resource_;
};

// The running transaction's application lock on a named resource (owner Transaction,
// exclusive): released when the transaction commits or rolls back. Outside a transaction
// it would be released at once, so that is refused with a ValueError naming the resource.
void LockForTransaction(Connection& db, const std::string& resource);

} // namespace Talvex::Data
