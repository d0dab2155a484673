// The version list "sj.txt" as fetched (bytes before the first NUL) and its signature file (after).
#include "updater/version_list.h"
#include "fuzz_support.h"
#include "updater/install.h"
#include "updater/release_key.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto [body, signature] = fuzz_split(data, size);
  const QString line = updater::first_line(body);
  FUZZ_CHECK(!line.contains('\n') && !line.contains('\r'));
  const updater::VersionList list = updater::parse_version_list(line);
  FUZZ_CHECK(list.sums.isEmpty() || list.sums.size() == list.files.size());
  for (const QString& sum : list.sums) FUZZ_CHECK(sum.size() == 64);
  for (const QString& name : list.files)
    if (updater::plain_name(name)) FUZZ_CHECK(!name.contains('/') && !name.startsWith('.') && name != "src");
  bool comparable = true;
  const int order = updater::compare_versions(list.version, QStringLiteral("V1.2.0.4"), &comparable);
  if (!comparable) FUZZ_CHECK(order == 0);
  FUZZ_CHECK(updater::compare_versions(list.version, list.version) == 0);
  const bool authentic = updater::list_authentic(body, signature, list, QStringLiteral("V1.2.0.4"));
  // A signature over these very bytes is the only way in; no fuzzer holds the release's secret.
  if (updater::release_key_configured()) FUZZ_CHECK(!authentic);
  return 0;
}
