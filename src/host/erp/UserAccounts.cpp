#include "host/erp/UserAccounts.hpp"

#include "host/data/Connection.hpp"
#include "host/types/Errors.hpp"
#include "host/types/Value.hpp"

#include <sodium.h>

namespace Talvex::Erp {

namespace {

void InitSodium()
{
    static const int ready = sodium_init();
    if (ready < 0) throw std::runtime_error("libsodium could not be initialised");
}

void CheckLogin(const std::string& login)
{
    if (login.empty()) throw ValueError("User name: must not be empty");
    if (login.size() > 60) throw ValueError("User name: must be at most 60 characters");
}

void CheckPassword(const std::string& password)
{
    if (password.empty()) throw ValueError("Password: must not be empty");
    // Argon2 takes any length; a bound keeps a pasted file from costing the server its memory.
    if (password.size() > 1024) throw ValueError("Password: must be at most 1024 characters");
}

} // namespace

std::string HashPassword(const std::string& password)
{
    InitSodium();
    char hash[crypto_pwhash_STRBYTES];
    // The interactive cost: a sign-in takes a fraction of a second and 64 MiB, which makes
    // guessing from a stolen table slow without making the server slow to sign in.
    if (crypto_pwhash_str_alg(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                              crypto_pwhash_MEMLIMIT_INTERACTIVE, crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw std::runtime_error("Password: not enough memory to hash it");
    return hash;
}

bool PasswordMatchesHash(const std::string& password, const std::string& hash)
{
    InitSodium();
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

void UserAccounts::Add(const std::string& login, const std::string& password)
{
    CheckLogin(login);
    CheckPassword(password);
    const std::string hash = HashPassword(password);
    auto added = db_.QueryPostgres("INSERT INTO UserPassword (Login, PasswordHash) VALUES ($1, $2) "
                                   "ON CONFLICT (Login) DO NOTHING RETURNING Login",
                                   {Value(login), Value(hash)});
    if (added.rows.empty()) throw ValueError("User " + login + ": exists already");
}

void UserAccounts::ChangePassword(const std::string& login, const std::string& password)
{
    CheckLogin(login);
    CheckPassword(password);
    const std::string hash = HashPassword(password);
    auto changed = db_.QueryPostgres(
        "UPDATE UserPassword SET PasswordHash = $2, ChangedAt = now() WHERE Login = $1 RETURNING Login",
        {Value(login), Value(hash)});
    if (changed.rows.empty()) throw ValueError("User " + login + ": unknown user");
}

void UserAccounts::Remove(const std::string& login)
{
    CheckLogin(login);
    auto removed = db_.QueryPostgres("DELETE FROM UserPassword WHERE Login = $1 RETURNING Login", {Value(login)});
    if (removed.rows.empty()) throw ValueError("User " + login + ": unknown user");
}

bool UserAccounts::Exists(const std::string& login)
{
    return !db_.QueryPostgres("SELECT 1 FROM UserPassword WHERE Login = $1", {Value(login)}).rows.empty();
}

std::vector<std::string> UserAccounts::Logins()
{
    std::vector<std::string> out;
    for (const auto& row : db_.QueryPostgres("SELECT Login FROM UserPassword ORDER BY Login").rows)
        out.push_back(row.at(0).ToText());
    return out;
}

bool UserAccounts::Verify(const std::string& login, const std::string& password)
{
    // A hash of no one's password, made once, stands in for an unknown user's.
    static const std::string stranger = HashPassword("no user has this password");
    if (login.empty() || password.empty() || password.size() > 1024) return false;
    auto found = db_.QueryPostgres("SELECT PasswordHash FROM UserPassword WHERE Login = $1", {Value(login)});
    if (found.rows.empty()) {
        (void)PasswordMatchesHash(password, stranger);
        return false;
    }
    return PasswordMatchesHash(password, found.rows.front().at(0).ToText());
}

} // namespace Talvex::Erp
