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

} // namespace Talvex
