#include "platform/sha1.h"

#include <openssl/evp.h>

namespace platform {

bool sha1(std::string_view bytes, sha1_digest& digest) {
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha1(), nullptr) != 1)
        return false;
    return length == digest.size();
}

}  // namespace platform
