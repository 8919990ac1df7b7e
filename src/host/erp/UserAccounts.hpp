#pragma once

#include <string>
#include <vector>

namespace Talvex::Data {
class Connection;
}

namespace Talvex::Erp {

// The users who may sign in to the web client and their passwords, kept in the company's
// database as Argon2id hashes (libsodium), never as the password itself. Names are checked
// by the caller against the client's rules; here only that one is given. Errors are
// ValueError naming the user and what is wrong.
class UserAccounts {
public:
    explicit UserAccounts(Data::Connection& db) : db_(db) {}

    void Add(const std::string& login, const std::string& password);            // "user exists"
    void ChangePassword(const std::string& login, const std::string& password); // "unknown user"
    void Remove(const std::string& login);                                      // "unknown user"
    bool Exists(const std::string& login);
    std::vector<std::string> Logins();

    // Whether the password is the user's. An unknown user costs the same work as a known
    // one, so the time of an answer does not tell which names exist.
    [[nodiscard]] bool Verify(const std::string& login, const std::string& password);

private:
    Data::Connection& db_;
};

// An Argon2id hash of the password in libsodium's text form, salted afresh each time.
std::string HashPassword(const std::string& password);
[[nodiscard]] bool PasswordMatchesHash(const std::string& password, const std::string& hash);

} // namespace Talvex::Erp
