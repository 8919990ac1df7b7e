#pragma once

#include <stdexcept>
#include <string>

namespace Talvex {

// A value of the wrong kind or out of range: "edSum: must be a non-negative number".
class ValueError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The database refused a statement or could not be reached.
class DatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The database server could not be reached or refused the sign-in. The message names the
// connection (its password masked) for the server's log; a browser gets a plain sentence.
class ConnectionError : public DatabaseError {
public:
    using DatabaseError::DatabaseError;
};

// The work was stopped before it finished: the person cancelled it, closed the tab, or the
// server is shutting down. Thrown where the work next looks (a statement, a progress step)
// and reported as "cancelled"; its unit of work rolls back like any other failure.
class CancelledError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a person sees when a report they cancelled stops.
inline constexpr const char* kCancelledText = "Cancelled: the report was stopped before it finished";

} // namespace Talvex
