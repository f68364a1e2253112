#include "exporter/WebConfig.h"

#include <yaml-cpp/yaml.h>

#include <fstream>
#include <sstream>

namespace {

std::string Resolved(const std::string& file, const std::string& baseDir)
{
    if (file.empty() || file.front() == '/' || baseDir.empty())
        return file;
    return baseDir + "/" + file;
}

// The scalar of `node`, or an error naming `where`.
bool Scalar(const YAML::Node& node, const std::string& where, std::string& value, std::string& error)
{
    if (!node.IsScalar()) {
        error = where + " must be a text";
        return false;
    }
    value = node.Scalar();
    return true;
}

bool IsBcrypt(const std::string& hash)
{
    // $2a$, $2b$ or $2y$, a two-digit cost, then 53 characters of salt and hash.
    return hash.size() == 60 && hash[0] == '$' && hash[1] == '2'
        && (hash[2] == 'a' || hash[2] == 'b' || hash[2] == 'y') && hash[3] == '$' && hash[6] == '$';
}

} // namespace

std::optional<SWebConfig> ParseWebConfig(const std::string& text, const std::string& baseDir, std::string& error)
{
    if (text.size() > std::size_t(kWebConfigMaxBytes)) {
        error = "larger than " + std::to_string(kWebConfigMaxBytes) + " bytes";
        return std::nullopt;
    }
    SWebConfig config;
    try {
        const YAML::Node root = YAML::Load(text);
        if (root.IsNull())
            return config;
        if (!root.IsMap()) {
            error = "the file must be a mapping of settings";
            return std::nullopt;
        }
        for (const auto& item : root) {
            const std::string key = item.first.as<std::string>();
            const YAML::Node& value = item.second;
            if (key == "tls_server_config") {
                if (value.IsNull())
                    continue;
                if (!value.IsMap()) {
                    error = "tls_server_config must be a mapping";
                    return std::nullopt;
                }
                for (const auto& tls : value) {
                    const std::string name = tls.first.as<std::string>();
                    std::string* target = name == "cert_file" ? &config.certFile
                        : name == "key_file"                  ? &config.keyFile
                                                              : nullptr;
                    if (!target) {
                        error = "tls_server_config." + name + " is not supported";
                        return std::nullopt;
                    }
                    if (!Scalar(tls.second, "tls_server_config." + name, *target, error))
                        return std::nullopt;
                    *target = Resolved(*target, baseDir);
                }
                if (config.certFile.empty() != config.keyFile.empty()) {
                    error = "tls_server_config needs both cert_file and key_file";
                    return std::nullopt;
                }
            } else if (key == "basic_auth_users") {
                if (value.IsNull())
                    continue;
                if (!value.IsMap()) {
                    error = "basic_auth_users must be a mapping of user names to bcrypt hashes";
                    return std::nullopt;
                }
                for (const auto& user : value) {
                    const std::string name = user.first.as<std::string>();
                    std::string hash;
                    if (!Scalar(user.second, "basic_auth_users." + name, hash, error))
                        return std::nullopt;
                    if (name.empty() || name.find(':') != std::string::npos) {
                        error = "basic_auth_users: \"" + name + "\" is not a user name";
                        return std::nullopt;
                    }
                    if (!IsBcrypt(hash)) {
                        error = "basic_auth_users." + name + " is not a bcrypt hash";
                        return std::nullopt;
                    }
                    config.users[name] = hash;
                }
            } else {
                error = key + " is not supported";
                return std::nullopt;
            }
        }
    } catch (const YAML::Exception& e) {
        error = "not YAML: line " + std::to_string(e.mark.line + 1) + ": " + e.msg;
        return std::nullopt;
    }
    return config;
}

std::optional<SWebConfig> LoadWebConfig(const std::string& path, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read it";
        return std::nullopt;
    }
    std::string text(std::size_t(kWebConfigMaxBytes) + 1, '\0');
    file.read(text.data(), std::streamsize(text.size()));
    text.resize(std::size_t(file.gcount()));
    const std::size_t slash = path.rfind('/');
    return ParseWebConfig(text, slash == std::string::npos ? std::string(".") : path.substr(0, slash), error);
}
