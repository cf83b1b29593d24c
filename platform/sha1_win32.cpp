#include "platform/sha1.h"

#include <algorithm>
#include <climits>

#include <windows.h>
#include <bcrypt.h>

namespace platform {
namespace {

// The algorithm provider is opened once and shared: opening it is the costly step, and
// a hash object made from it serves one thread.
BCRYPT_ALG_HANDLE sha1_provider() {
    static const BCRYPT_ALG_HANDLE provider = [] {
        BCRYPT_ALG_HANDLE handle = nullptr;
        if (!BCRYPT_SUCCESS(
                ::BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA1_ALGORITHM, nullptr, 0)))
            return BCRYPT_ALG_HANDLE{};
        return handle;
    }();
    return provider;
}

struct hash_closer {
    BCRYPT_HASH_HANDLE handle = nullptr;
    ~hash_closer() {
        if (handle != nullptr) ::BCryptDestroyHash(handle);
    }
};

}  // namespace

bool sha1(std::string_view bytes, sha1_digest& digest) {
    const BCRYPT_ALG_HANDLE provider = sha1_provider();
    if (provider == nullptr) return false;
    hash_closer hash;
    if (!BCRYPT_SUCCESS(::BCryptCreateHash(provider, &hash.handle, nullptr, 0, nullptr, 0, 0)))
        return false;
    // The length of one call is 32-bit: feed longer inputs in pieces.
    auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data()));
    for (std::size_t done = 0; done < bytes.size();) {
        const ULONG piece =
            static_cast<ULONG>(std::min<std::size_t>(bytes.size() - done, ULONG_MAX));
        if (!BCRYPT_SUCCESS(::BCryptHashData(hash.handle, data + done, piece, 0))) return false;
        done += piece;
    }
    return BCRYPT_SUCCESS(
        ::BCryptFinishHash(hash.handle, digest.data(), static_cast<ULONG>(digest.size()), 0));
}

}  // namespace platform
