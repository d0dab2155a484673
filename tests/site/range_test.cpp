#include <gtest/gtest.h>

#include "platform/http_range.h"

using platform::RangeAnswer;
using platform::resolve_range;

namespace {

void expect(const char* header, int64_t size, RangeAnswer::Kind kind, int64_t first, int64_t length) {
  const RangeAnswer a = resolve_range(header, size);
  EXPECT_EQ(a.kind, kind) << header;
  if (kind == RangeAnswer::Partial) {
    EXPECT_EQ(a.first, first) << header;
    EXPECT_EQ(a.length, length) << header;
  }
}

TEST(Ranges, AsHttpSaysThem) {
  expect("bytes=0-", 1000, RangeAnswer::Partial, 0, 1000);
  expect("bytes=10-19", 1000, RangeAnswer::Partial, 10, 10);
  expect("bytes=990-5000", 1000, RangeAnswer::Partial, 990, 10);  // clamped to the end
  expect("bytes=-10", 1000, RangeAnswer::Partial, 990, 10);
  expect("bytes=-5000", 1000, RangeAnswer::Partial, 0, 1000);
  expect("bytes=1000-", 1000, RangeAnswer::Unsatisfiable, 0, 0);
  expect("bytes=-0", 1000, RangeAnswer::Unsatisfiable, 0, 0);
  expect("bytes=0-", 0, RangeAnswer::Unsatisfiable, 0, 0);
  for (const char* whole : {"", "items=0-1", "bytes=5-2", "bytes=a-b", "bytes=0-1,5-6", "bytes=99999999999999999999-"})
    expect(whole, 1000, RangeAnswer::Whole, 0, 1000);
  EXPECT_EQ(platform::content_range(resolve_range("bytes=10-19", 1000), 1000), "bytes 10-19/1000");
  EXPECT_EQ(platform::content_range(resolve_range("bytes=2000-", 1000), 1000), "bytes */1000");
}

}  // namespace
