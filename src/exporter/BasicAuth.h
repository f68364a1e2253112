#pragma once
// Checks an HTTP Authorization header against the web configuration's users
// and their bcrypt hashes (libcrypt). A bcrypt check costs tens of
// milliseconds on purpose; a scraper sends the same password every time, so a
// password once found right is remembered as its SHA-256 digest, and later
// requests cost a hash instead.

#include <map>
#include <mutex>
#include <string>
#include <string_view>

class CBasicAuth {
public:
    explicit CBasicAuth(std::map<std::string, std::string> users);

    [[nodiscard]] bool Enabled() const { return !users_.empty(); }
    // True when the header names a user and the right password.
    [[nodiscard]] bool Allows(std::string_view authorization);

private:
    const std::map<std::string, std::string> users_; // name -> bcrypt hash
    std::mutex mutex_;
    std::map<std::string, std::string> verified_; // name -> digest of the password found right
};

// True when `password` matches the crypt(3) hash.
[[nodiscard]] bool CryptMatches(const std::string& password, const std::string& hash);
