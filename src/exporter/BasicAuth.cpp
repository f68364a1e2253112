#include "exporter/BasicAuth.h"

#include <QByteArray>
#include <QCryptographicHash>

#include <crypt.h>

#include <memory>

namespace {

bool SameBytes(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

std::string Digest(std::string_view password)
{
    return QCryptographicHash::hash(QByteArrayView(password.data(), qsizetype(password.size())),
                                    QCryptographicHash::Sha256)
        .toStdString();
}

} // namespace

bool CryptMatches(const std::string& password, const std::string& hash)
{
    const auto data = std::make_unique<crypt_data>();
    const char* result = crypt_r(password.c_str(), hash.c_str(), data.get());
    // A failed crypt gives a text starting with "*", never a match.
    return result && result[0] != '*' && SameBytes(result, hash);
}

CBasicAuth::CBasicAuth(std::map<std::string, std::string> users) : users_(std::move(users)) {}

bool CBasicAuth::Allows(std::string_view authorization)
{
    constexpr std::string_view kScheme = "Basic ";
    if (users_.empty() || authorization.size() > 4096 || authorization.size() <= kScheme.size()
        || QByteArrayView(authorization.data(), qsizetype(kScheme.size())).compare(
               QByteArrayView(kScheme.data(), qsizetype(kScheme.size())), Qt::CaseInsensitive)
            != 0)
        return false;
    const auto decoded = QByteArray::fromBase64Encoding(
        QByteArray(authorization.data() + kScheme.size(), qsizetype(authorization.size() - kScheme.size())).trimmed(),
        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return false;
    const QByteArray& pair = decoded.decoded;
    const qsizetype colon = pair.indexOf(':');
    if (colon <= 0)
        return false;
    const std::string user = pair.left(colon).toStdString();
    const std::string password = pair.mid(colon + 1).toStdString();
    const auto found = users_.find(user);
    if (found == users_.end()) {
        // As long as for a known user, so that names cannot be told by timing.
        (void)CryptMatches(password, users_.begin()->second);
        return false;
    }
    const std::string digest = Digest(password);
    {
        std::lock_guard lock(mutex_);
        const auto known = verified_.find(user);
        if (known != verified_.end() && SameBytes(known->second, digest))
            return true;
    }
    if (!CryptMatches(password, found->second))
        return false;
    std::lock_guard lock(mutex_);
    verified_[user] = digest;
    return true;
}
