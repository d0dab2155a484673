// release-keygen PUBLIC SECRET: a new Ed25519 key pair for signing releases, each written as hex.
// The build makes one for the sample site to sign with; a real release brings its own public key.
#include <sodium.h>
#include <cstdio>
#include <string>

static bool write_hex(const char* path, const unsigned char* bytes, size_t n) {
  std::string hex(2 * n + 1, '\0');
  sodium_bin2hex(hex.data(), hex.size(), bytes, n);
  hex.resize(2 * n);
  FILE* f = std::fopen(path, "w");
  if (!f) return false;
  const bool ok = std::fprintf(f, "%s\n", hex.c_str()) > 0;
  return std::fclose(f) == 0 && ok;
}

int main(int argc, char** argv) {
  if (argc != 3 || sodium_init() < 0) return 2;
  unsigned char pk[crypto_sign_PUBLICKEYBYTES], sk[crypto_sign_SECRETKEYBYTES];
  crypto_sign_keypair(pk, sk);
  return write_hex(argv[1], pk, sizeof pk) && write_hex(argv[2], sk, sizeof sk) ? 0 : 1;
}
