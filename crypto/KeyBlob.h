// CryptoAPI's RSA key blobs, PUBLICKEYBLOB and PRIVATEKEYBLOB, to and from OpenSSL keys.
//
// Both start with BLOBHEADER (type, version 2, reserved, algorithm) and RSAPUBKEY ("RSA1" or
// "RSA2", bit length, public exponent), then the numbers least significant byte first: the
// modulus; for a private key also prime1, prime2, exponent1, exponent2 and the coefficient (half
// the modulus size each) and the private exponent.
#pragma once

#include <cstdint>
#include <span>

#include "automation/Types.h"
#include "crypto/OpenSsl.h"

namespace ulka {

// The BLOBHEADER, which stays in clear text when a private key blob is encrypted.
constexpr size_t kBlobHeaderSize = 8;

// Empty when the key cannot be written in the layout.
Bytes PublicKeyBlob(EVP_PKEY* key);
Bytes PrivateKeyBlob(EVP_PKEY* key);

// Null for anything that is not a well-formed blob of a usable key. A PRIVATEKEYBLOB is also
// accepted as a public key. A private key must be consistent (its parts must belong together).
openssl::PKey PublicKeyFromBlob(std::span<const uint8_t> blob);
openssl::PKey PrivateKeyFromBlob(std::span<const uint8_t> blob);

}  // namespace ulka
