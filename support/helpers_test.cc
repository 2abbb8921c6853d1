#include "support/helpers.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "tests/child.h"

TEST(NumFormat, CountsAndWritesDigits) {
  struct format_case {
    std::uint64_t value;
    const char* digits;
  };
  const format_case cases[] = {
      {0, "0"},
      {9, "9"},
      {10, "10"},
      {42, "42"},
      {99, "99"},
      {100, "100"},
      {1700000000, "1700000000"},
      {9999999999999999999u, "9999999999999999999"},
      {10000000000000000000u, "10000000000000000000"},
      {18446744073709551615u, "18446744073709551615"},
  };
  for (const auto& c : cases) {
    const std::uint32_t len = static_cast<std::uint32_t>(std::string(c.digits).size());
    EXPECT_EQ(num_format(nullptr, c.value), len) << c.digits;
    char out[NUM_DIGITS_MAX + 1];
    out[len] = '#';
    EXPECT_EQ(num_format(out, c.value), len) << c.digits;
    EXPECT_EQ(std::string(out, len), c.digits);
    EXPECT_EQ(out[len], '#') << "wrote past its digits";
  }
}

TEST(NumScan, TakesLeadingDigitsModulo2To64) {
  struct scan_case {
    const char* text;
    std::uint32_t count;
    std::uint64_t value;
  };
  const scan_case cases[] = {
      {"", 0, 0},
      {"abc", 0, 0},
      {"-5", 0, 0},
      {"+5", 0, 0},
      {" 5", 0, 0},
      {".abc", 0, 0},
      {"123x", 3, 123},
      {"90x", 2, 90},
      {"007", 3, 7},
      {"0042.", 4, 42},
      {"18446744073709551615", 20, 18446744073709551615u},
      {"18446744073709551616", 20, 0},
      {"18446744073709551617.", 20, 1},
      {"000000000000000000000000000001", 30, 1},
      {"184467440737095516150", 21, 18446744073709551606u},
  };
  for (const auto& c : cases) {
    std::uint64_t value = 12345;
    EXPECT_EQ(num_scan(c.text, &value), c.count) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
}

TEST(NumScan, ReadsBackWhatFormatWrote) {
  for (std::uint64_t v : {std::uint64_t{0}, std::uint64_t{7}, std::uint64_t{4294967296},
                          std::uint64_t{18446744073709551615u}}) {
    char text[NUM_DIGITS_MAX + 1];
    text[num_format(text, v)] = '\0';
    std::uint64_t back = 0;
    num_scan(text, &back);
    EXPECT_EQ(back, v);
  }
}

TEST(Text, LengthAndPrefix) {
  EXPECT_EQ(text_len(""), 0u);
  EXPECT_EQ(text_len("abc"), 3u);
  EXPECT_EQ(text_len("ab\0cd"), 2u);

  EXPECT_EQ(text_starts("SENDER=x", "SENDER"), 1);
  EXPECT_EQ(text_starts("anything", ""), 1);
  EXPECT_EQ(text_starts("", ""), 1);
  EXPECT_EQ(text_starts("SEND", "SENDER"), 0);
  EXPECT_EQ(text_starts("sender=x", "SENDER"), 0);
  EXPECT_EQ(text_starts("", "S"), 0);
}

TEST(Mem, DiffComparesUnsignedAndStopsAtFirstDifference) {
  EXPECT_EQ(mem_diff("abc", 3, "abc"), 0);
  EXPECT_EQ(mem_diff("abc", 0, "xyz"), 0);
  EXPECT_EQ(mem_diff("\x80", 1, "\x7f"), 1);
  EXPECT_EQ(mem_diff("\x7f", 1, "\x80"), -1);
  EXPECT_EQ(mem_diff("\xff", 1, "\x00"), 255);
  EXPECT_EQ(mem_diff("ab\x01", 3, "ab\x03"), -2);
  // A NUL is a byte like any other.
  EXPECT_NE(mem_diff("a\0b", 3, "a\0c"), 0);
  // The bytes after the first difference are not read: the second run's
  // first byte is the last readable byte before an inaccessible page.
  const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  void* map = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(map, MAP_FAILED);
  char* last = static_cast<char*>(map) + page - 1;
  *last = 'b';
  mprotect(static_cast<char*>(map) + page, page, PROT_NONE);
  EXPECT_EQ(mem_diff("a-long-run", 10, last), 'a' - 'b');
  munmap(map, 2 * page);
}

TEST(Mem, CopiesInBothDirectionsAcrossOverlaps) {
  char up[] = "0123456789";
  mem_copy_back(up + 3, 6, up);
  EXPECT_EQ(std::string(up), "0120123459");

  char down[] = "0123456789";
  mem_copy(down, 6, down + 3);
  EXPECT_EQ(std::string(down), "3456786789");

  char untouched[] = "abc";
  mem_copy(untouched, 0, "xyz");
  mem_copy_back(untouched, 0, "xyz");
  EXPECT_EQ(std::string(untouched), "abc");
}

namespace {

// Runs the look-up against an environment made for the test.
const char* find_in(std::vector<const char*> entries, const char* name) {
  entries.push_back(nullptr);
  char** saved = environ;
  environ = const_cast<char**>(entries.data());
  const char* found = env_find(name);
  environ = saved;
  return found;
}

}  // namespace

TEST(EnvFind, FirstExactNameWins) {
  const char* bare = "SENDER";
  const char* longer = "SENDERS=long";
  const char* first = "SENDER=first";
  const char* second = "SENDER=second";
  const char* empty = "SENDER=";
  EXPECT_EQ(find_in({bare, longer, first, second}, "SENDER"), first + 7);
  EXPECT_EQ(find_in({longer, bare}, "SENDER"), nullptr);
  EXPECT_EQ(find_in({empty, first}, "SENDER"), empty + 7);
  EXPECT_STREQ(find_in({empty}, "SENDER"), "");
  EXPECT_EQ(find_in({"sender=x"}, "SENDER"), nullptr);
  EXPECT_EQ(find_in({}, "SENDER"), nullptr);
  EXPECT_EQ(find_in({first}, nullptr), nullptr);
}

TEST(EnvFind, EmptyNameMatchesAnEntryStartingWithEquals) {
  const char* odd = "=odd";
  EXPECT_EQ(find_in({"A=1", odd}, ""), odd + 1);
  EXPECT_EQ(find_in({"A=1"}, ""), nullptr);
}

TEST(OpenReadonly, OpensForReadingWithoutBlocking) {
  scratch_dir dir;
  const std::string path = dir.file("f", "abc");
  const int fd = open_readonly(path.c_str());
  ASSERT_GE(fd, 0);
  const int flags = fcntl(fd, F_GETFL);
  EXPECT_EQ(flags & O_ACCMODE, O_RDONLY);
  EXPECT_NE(flags & O_NONBLOCK, 0);
  close(fd);

  errno = 0;
  EXPECT_EQ(open_readonly((dir.path + "/missing").c_str()), -1);
  EXPECT_EQ(errno, ENOENT);
}
