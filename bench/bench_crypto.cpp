// Twofish CFB-8 against libgcrypt's CFB-8 mode, and the signer's SignData and VerifyData against
// OpenSSL's own RSA-1024 MD5 signing and verification, in the same run.
//
// Each iteration is timed by the thread's CPU clock (manual time): on a machine shared with other
// builds the wall clock measures the neighbours more than the code.
#include <benchmark/benchmark.h>
#include <gcrypt.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include "bench/CpuTime.h"
#include "automation/ByteConvert.h"
#include "crypto/Cryptor.h"
#include "crypto/Signer.h"

namespace ulka {
namespace {

constexpr size_t kStreamBytes = 64 << 10;
constexpr size_t kSignedBytes = 1 << 10;

Bytes Pattern(size_t size) {
  Bytes b(size);
  for (size_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>((i * 2654435761u) >> 24);
  return b;
}

const Bytes& Key(size_t size) {
  static const Bytes key = Pattern(32);
  static const Bytes keys[] = {Bytes(key.begin(), key.begin() + 16), Bytes(key.begin(), key.begin() + 32)};
  return size == 16 ? keys[0] : keys[1];
}

const Bytes kIv = Pattern(16);

void BM_TwofishCfb8(benchmark::State& state) {
  const Bytes data = Pattern(kStreamBytes);
  const Bytes& key = Key(static_cast<size_t>(state.range(0)));
  bench::TimeByCpu(state, [&] {
    std::optional<Bytes> out = TwofishCfb8(data, key, kIv, CipherDirection::Encrypt);
    benchmark::DoNotOptimize(out->data());
  });
  state.SetBytesProcessed(state.iterations() * kStreamBytes);
}

void BM_GcryptTwofishCfb8(benchmark::State& state) {
  if (!gcry_check_version(nullptr)) state.SkipWithError("libgcrypt");
  gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
  const Bytes data = Pattern(kStreamBytes);
  const Bytes& key = Key(static_cast<size_t>(state.range(0)));
  const int algorithm = key.size() == 16 ? GCRY_CIPHER_TWOFISH128 : GCRY_CIPHER_TWOFISH;
  bench::TimeByCpu(state, [&] {
    Bytes out(data.size());
    gcry_cipher_hd_t handle;
    gcry_cipher_open(&handle, algorithm, GCRY_CIPHER_MODE_CFB8, 0);
    gcry_cipher_setkey(handle, key.data(), key.size());
    gcry_cipher_setiv(handle, kIv.data(), kIv.size());
    gcry_cipher_encrypt(handle, out.data(), out.size(), data.data(), data.size());
    gcry_cipher_close(handle);
    benchmark::DoNotOptimize(out.data());
  });
  state.SetBytesProcessed(state.iterations() * kStreamBytes);
}

BENCHMARK(BM_TwofishCfb8)->Arg(16)->Arg(32)->UseManualTime();
BENCHMARK(BM_GcryptTwofishCfb8)->Arg(16)->Arg(32)->UseManualTime();

// One 1024-bit key for both sides, moved into the signer through its private key blob.
struct SharedKey {
  KeyContainer container;
  Ref<TSigner> signer = MakeRef<TSigner>();
  Variant publicKey;
  SharedKey() {
    container.CreateKey(1024);
    signer->ImportPrivateKey(Variant::FromBytes(*container.ExportPrivateKey("bench")), u"bench");
    publicKey = signer->ExportPublicKey();
  }
};

SharedKey& Shared() {
  static SharedKey shared;
  return shared;
}

void BM_SignerSignData(benchmark::State& state) {
  const Variant data = Variant::FromBytes(Pattern(kSignedBytes));
  TSigner& signer = *Shared().signer;
  bench::TimeByCpu(state, [&] { benchmark::DoNotOptimize(signer.SignData(data)); });
}

void BM_OpenSslRsaSign(benchmark::State& state) {
  const Bytes data = Pattern(kSignedBytes);
  EVP_PKEY* key = Shared().container.Key();
  Bytes signature(EVP_PKEY_get_size(key));
  bench::TimeByCpu(state, [&] {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    size_t size = signature.size();
    EVP_DigestSignInit(context, nullptr, EVP_md5(), nullptr, key);
    EVP_DigestSign(context, signature.data(), &size, data.data(), data.size());
    EVP_MD_CTX_free(context);
    benchmark::DoNotOptimize(signature.data());
  });
}

void BM_SignerVerifyData(benchmark::State& state) {
  SharedKey& shared = Shared();
  const Variant signedData = shared.signer->SignData(Variant::FromBytes(Pattern(kSignedBytes)));
  bool ok = true;
  bench::TimeByCpu(state, [&] { ok = ok && shared.signer->VerifyData(signedData, shared.publicKey); });
  if (!ok) state.SkipWithError("did not verify");
}

void BM_OpenSslRsaVerify(benchmark::State& state) {
  const Bytes data = Pattern(kSignedBytes);
  EVP_PKEY* key = Shared().container.Key();
  Bytes signature(EVP_PKEY_get_size(key));
  size_t size = signature.size();
  {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    EVP_DigestSignInit(context, nullptr, EVP_md5(), nullptr, key);
    EVP_DigestSign(context, signature.data(), &size, data.data(), data.size());
    EVP_MD_CTX_free(context);
  }
  bool ok = true;
  bench::TimeByCpu(state, [&] {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    EVP_DigestVerifyInit(context, nullptr, EVP_md5(), nullptr, key);
    ok = ok && EVP_DigestVerify(context, signature.data(), size, data.data(), data.size()) == 1;
    EVP_MD_CTX_free(context);
  });
  if (!ok) state.SkipWithError("did not verify");
}

BENCHMARK(BM_SignerSignData)->UseManualTime();
BENCHMARK(BM_OpenSslRsaSign)->UseManualTime();
BENCHMARK(BM_SignerVerifyData)->UseManualTime();
BENCHMARK(BM_OpenSslRsaVerify)->UseManualTime();

}  // namespace
}  // namespace ulka

BENCHMARK_MAIN();
