#include "support/fatal.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "support/iobuf.h"
#include "tests/child.h"

TEST(FatalExit, WritesOneLineAndExitsWithTheStatus) {
  const auto r = run_in_child([] {
    errno = ENOENT;
    fatal_exit(EXIT_IOFAIL, "prog: fatal: ", "unable to read secret: ", nullptr, nullptr,
               nullptr, nullptr, &sys_error);
  });
  EXPECT_EQ(r.status, 111);
  EXPECT_EQ(r.err, "prog: fatal: unable to read secret: file does not exist\n");
  EXPECT_EQ(r.out, "");
}

TEST(FatalExit, SkipsNullTextsAndAddsNoSeparators) {
  struct report_case {
    const char* t[6];
    std::string line;
  };
  const report_case cases[] = {
      {{nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, "\n"},
      {{"a", nullptr, "", "b", nullptr, "c"}, "abc\n"},
      {{"1", "2", "3", "4", "5", "6"}, "123456\n"},
  };
  for (const auto& c : cases) {
    const auto r = run_in_child([&] {
      fatal_exit(EXIT_REJECT, c.t[0], c.t[1], c.t[2], c.t[3], c.t[4], c.t[5], nullptr);
    });
    EXPECT_EQ(r.status, 100);
    EXPECT_EQ(r.err, c.line);
  }
}

TEST(FatalExit, WalksTheChainAfterTheLeadingTexts) {
  const auto r = run_in_child([] {
    static const err_record third = {nullptr, "x", nullptr, "y"};
    static const err_record empty = {&third, nullptr, nullptr, nullptr};
    static const err_record first = {&empty, "1", "2", "3"};
    fatal_exit(7, "lead", nullptr, nullptr, nullptr, nullptr, "-", &first);
  });
  EXPECT_EQ(r.status, 7);
  EXPECT_EQ(r.err, "lead-123xy\n");
}

// The error text is that of errno when the report began, even though the
// report's own writes fail (descriptor 2 closed) and change errno.
TEST(FatalExit, TakesErrnoBeforeItsOwnWrites) {
  const auto r = run_in_child(
      [] {
        errno = EACCES;
        fatal_print("p: ", nullptr, nullptr, nullptr, nullptr, nullptr, &sys_error);
        const bool kept = std::string(sys_error.text1) == "access denied" &&
                          std::string(sys_error.text2).empty() && sys_error.next == nullptr;
        _exit(kept ? 0 : 1);
      },
      stderr_closed());
  EXPECT_EQ(r.status, 0);
}

TEST(FatalExit, RefreshesSysErrorEvenWithoutIt) {
  const auto r = run_in_child([] {
    if (sys_error.text1 != nullptr) _exit(2);
    errno = 0;
    fatal_print(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    _exit(std::string(sys_error.text1) == "no error" ? 0 : 1);
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "\n");
}

TEST(FatalExit, StatusSurvivesAClosedStandardError) {
  const auto r = run_in_child(
      [] { fatal_exit(EXIT_REJECT, "nobody reads this", nullptr, nullptr, nullptr, nullptr,
                      nullptr, nullptr); },
      stderr_closed());
  EXPECT_EQ(r.status, 100);
}

TEST(FatalExit, LongReportArrivesWholeAndInOrder) {
  std::string long_text;
  for (int i = 0; i < 120; ++i) long_text += static_cast<char>('a' + i % 26);
  const auto r = run_in_child([&] {
    fatal_exit(EXIT_REJECT, long_text.c_str(), long_text.c_str(), "end", nullptr, nullptr,
               long_text.c_str(), nullptr);
  });
  EXPECT_EQ(r.status, 100);
  EXPECT_EQ(r.err, long_text + long_text + "end" + long_text + "\n");
}

TEST(FatalExit, DropsPendingStandardOutput) {
  const auto r = run_in_child([] {
    iobuf_puts(&iobuf_out, "never shown");
    fatal_exit(EXIT_IOFAIL, "x", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  });
  EXPECT_EQ(r.status, 111);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "x\n");
}
