#include "cli/keyring.h"

#ifdef SKYHARBOR_HAVE_LIBSECRET
#include <libsecret/secret.h>
#endif

namespace sky::cli {

std::optional<std::string> KeyringPassword(const std::string& key) {
#ifdef SKYHARBOR_HAVE_LIBSECRET
    // The window stores through QtKeychain: its schema, our service name.
    static const SecretSchema schema = {"org.qt.keychain",
                                        SECRET_SCHEMA_DONT_MATCH_NAME,
                                        {{"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"server", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"type", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    GError* error = nullptr;
    gchar* found = secret_password_lookup_sync(&schema, nullptr, &error, "user", key.c_str(), "server",
                                               "SkyHarbor", "type", "plaintext", nullptr);
    if (error) g_error_free(error);
    if (!found) return std::nullopt;
    std::string password(found);
    secret_password_free(found);
    return password;
#else
    (void)key;
    return std::nullopt;
#endif
}

}  // namespace sky::cli
