// RSA PKCS #1 v1.5 signatures over an MD5 digest, in CryptoAPI's byte order: least significant
// byte first, the reverse of the PKCS #1 octet string.
#pragma once

#include <optional>
#include <span>

#include "automation/Types.h"
#include "crypto/OpenSsl.h"

namespace ulka {

std::optional<Bytes> SignMd5(EVP_PKEY* key, std::span<const uint8_t> data);

// True only for a signature of exactly the key's size that verifies over the data.
bool VerifyMd5(EVP_PKEY* key, std::span<const uint8_t> data, std::span<const uint8_t> signature);

}  // namespace ulka
