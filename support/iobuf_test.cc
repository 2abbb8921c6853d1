#include "support/iobuf.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <string>
#include <vector>

namespace {

// A transfer that records every call and answers from a script: a count, or
// -1 with an error number. Without a scripted answer, writes take every
// byte and reads fill the whole request from `source`.
struct transfer_call {
  int descriptor;
  const char* at;
  std::uint32_t len;
  std::string bytes;  // what a write took or a read delivered
};

struct scripted_answer {
  std::int32_t result;
  int error = 0;
};

struct fake_transfer {
  std::vector<transfer_call> calls;
  std::deque<scripted_answer> script;
  std::string source;
  std::size_t source_at = 0;

  std::int32_t answer(std::uint32_t len) {
    if (script.empty()) return static_cast<std::int32_t>(len);
    const scripted_answer a = script.front();
    script.pop_front();
    if (a.result < 0) errno = a.error;
    return a.result;
  }
} fake;

std::int32_t fake_write(int descriptor, char* bytes, std::uint32_t len) {
  const std::int32_t r = fake.answer(len);
  fake.calls.push_back({descriptor, bytes, len, r > 0 ? std::string(bytes, r) : ""});
  return r;
}

std::int32_t fake_read(int descriptor, char* bytes, std::uint32_t len) {
  const std::int32_t r = fake.answer(len);
  std::string delivered;
  for (std::int32_t i = 0; i < r; ++i) {
    bytes[i] = fake.source[fake.source_at++ % fake.source.size()];
    delivered.push_back(bytes[i]);
  }
  fake.calls.push_back({descriptor, bytes, len, delivered});
  return r;
}

class Iobuf : public ::testing::Test {
 protected:
  void SetUp() override {
    fake = fake_transfer{};
    fake.source = "abcdefghijklmnopqrstuvwxyz0123456789";
  }

  std::string pattern(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('A' + i % 23);
    return s;
  }

  std::string written() {
    std::string all;
    for (const auto& c : fake.calls) all += c.bytes;
    return all;
  }

  std::vector<std::uint32_t> lengths() {
    std::vector<std::uint32_t> v;
    for (const auto& c : fake.calls) v.push_back(c.len);
    return v;
  }

  char out_storage[IOBUF_OUT_SIZE];
  char err_storage[IOBUF_ERR_SIZE];
  char small_storage[64];
};

}  // namespace

TEST_F(Iobuf, StandardStreamsStartReady) {
  EXPECT_EQ(iobuf_out.held, 0u);
  EXPECT_EQ(iobuf_out.mark, IOBUF_OUT_SIZE);
  EXPECT_EQ(iobuf_out.descriptor, 1);
  EXPECT_EQ(iobuf_out.transfer, &fd_write);
  EXPECT_EQ(iobuf_err.held, 0u);
  EXPECT_EQ(iobuf_err.mark, IOBUF_ERR_SIZE);
  EXPECT_EQ(iobuf_err.descriptor, 2);
  EXPECT_EQ(iobuf_err.transfer, &fd_write);
}

TEST_F(Iobuf, PutOfExactlyTheFreeSpaceMakesNoTransfer) {
  iobuf b;
  iobuf_init(&b, fake_write, 7, out_storage, IOBUF_OUT_SIZE);
  const std::string a = pattern(100), rest = pattern(IOBUF_OUT_SIZE - 100);
  ASSERT_EQ(iobuf_put(&b, a.data(), 100), 0);
  ASSERT_EQ(iobuf_put(&b, rest.data(), IOBUF_OUT_SIZE - 100), 0);
  EXPECT_TRUE(fake.calls.empty());
  EXPECT_EQ(b.held, IOBUF_OUT_SIZE);
  ASSERT_EQ(iobuf_flush(&b), 0);
  EXPECT_EQ(lengths(), std::vector<std::uint32_t>{IOBUF_OUT_SIZE});
  EXPECT_EQ(written(), a + rest);
  EXPECT_EQ(fake.calls[0].descriptor, 7);
}

TEST_F(Iobuf, PutThatDoesNotFitDrainsThenAppends) {
  iobuf b;
  iobuf_init(&b, fake_write, 1, out_storage, IOBUF_OUT_SIZE);
  const std::string pending = pattern(100), next = pattern(8100);
  iobuf_put(&b, pending.data(), 100);
  ASSERT_EQ(iobuf_put(&b, next.data(), 8100), 0);
  EXPECT_EQ(lengths(), std::vector<std::uint32_t>{100});
  EXPECT_EQ(b.held, 8100u);
  iobuf_flush(&b);
  EXPECT_EQ(written(), pending + next);
}

TEST_F(Iobuf, LargePutsGoStraightFromTheCallerInChunks) {
  for (std::uint32_t k : {1u, 100u, 8192u}) {
    SetUp();
    iobuf b;
    iobuf_init(&b, fake_write, 1, out_storage, IOBUF_OUT_SIZE);
    const std::string data = pattern(2 * 8192 + k);
    ASSERT_EQ(iobuf_put(&b, data.data(), static_cast<std::uint32_t>(data.size())), 0);
    ASSERT_EQ(fake.calls.size(), 2u) << k;
    EXPECT_EQ(fake.calls[0].at, data.data());
    EXPECT_EQ(fake.calls[1].at, data.data() + 8192);
    EXPECT_EQ(lengths(), (std::vector<std::uint32_t>{8192, 8192}));
    EXPECT_EQ(b.held, k);
    iobuf_flush(&b);
    EXPECT_EQ(written(), data);
  }
}

TEST_F(Iobuf, SmallStreamWritesLargePutsInOneChunkOfAtLeast8192) {
  iobuf b;
  iobuf_init(&b, fake_write, 2, err_storage, IOBUF_ERR_SIZE);
  const std::string data = pattern(300);
  ASSERT_EQ(iobuf_put(&b, data.data(), 300), 0);
  EXPECT_EQ(lengths(), std::vector<std::uint32_t>{300});
  EXPECT_EQ(b.held, 0u);

  SetUp();
  const std::string ten = pattern(10), big = pattern(2 * 8192);
  iobuf_put(&b, ten.data(), 10);
  ASSERT_EQ(iobuf_put(&b, big.data(), 2 * 8192), 0);
  EXPECT_EQ(lengths(), (std::vector<std::uint32_t>{10, 8192, 8192}));
  EXPECT_EQ(b.held, 0u);
  EXPECT_EQ(written(), ten + big);
}

TEST_F(Iobuf, WriteAllFinishesShortWritesAndRetriesInterruptions) {
  iobuf b;
  iobuf_init(&b, fake_write, 1, err_storage, IOBUF_ERR_SIZE);
  const std::string data = pattern(100);
  iobuf_put(&b, data.data(), 100);
  fake.script = {{30}, {-1, EINTR}, {-1, EINTR}, {50}, {20}};
  ASSERT_EQ(iobuf_flush(&b), 0);
  ASSERT_EQ(fake.calls.size(), 5u);
  EXPECT_EQ(lengths(), (std::vector<std::uint32_t>{100, 70, 70, 70, 20}));
  EXPECT_EQ(fake.calls[1].at, fake.calls[2].at) << "EINTR retried with the same arguments";
  EXPECT_EQ(written(), data);
}

// The pending bytes are dropped when draining begins, so a failed flush
// leaves the record empty and the next flush writes nothing.
TEST_F(Iobuf, FailedWriteEmptiesTheRecord) {
  struct failure_case {
    std::deque<scripted_answer> script;
    int error;
    std::size_t calls;
  };
  const failure_case cases[] = {
      {{{-1, EPIPE}}, EPIPE, 1},
      {{{40}, {-1, ENOSPC}}, ENOSPC, 2},
      {{{0}}, EIO, 1},  // no progress: failing beats calling forever
      {{{-1, EINTR}, {0}}, EIO, 2},
  };
  for (const auto& c : cases) {
    SetUp();
    iobuf b;
    iobuf_init(&b, fake_write, 1, err_storage, IOBUF_ERR_SIZE);
    const std::string data = pattern(100);
    iobuf_put(&b, data.data(), 100);
    fake.script = c.script;
    errno = 0;
    EXPECT_EQ(iobuf_flush(&b), -1);
    EXPECT_EQ(errno, c.error);
    EXPECT_EQ(fake.calls.size(), c.calls);
    EXPECT_EQ(b.held, 0u);
    EXPECT_EQ(iobuf_flush(&b), 0);
    EXPECT_EQ(fake.calls.size(), c.calls);
  }
}

TEST_F(Iobuf, FailedStraightWriteOfALargePutReportsFailure) {
  iobuf b;
  iobuf_init(&b, fake_write, 1, err_storage, IOBUF_ERR_SIZE);
  const std::string data = pattern(1000);
  fake.script = {{-1, EBADF}};
  EXPECT_EQ(iobuf_put(&b, data.data(), 1000), -1);
  EXPECT_EQ(errno, EBADF);
  EXPECT_EQ(b.held, 0u);
}

TEST_F(Iobuf, FlushOfAnEmptyRecordMakesNoTransfer) {
  iobuf b;
  iobuf_init(&b, fake_write, 1, err_storage, IOBUF_ERR_SIZE);
  EXPECT_EQ(iobuf_flush(&b), 0);
  EXPECT_TRUE(fake.calls.empty());
}

TEST_F(Iobuf, PutsWritesNoTerminator) {
  iobuf b;
  iobuf_init(&b, fake_write, 1, err_storage, IOBUF_ERR_SIZE);
  ASSERT_EQ(iobuf_puts(&b, ""), 0);
  ASSERT_EQ(iobuf_flush(&b), 0);
  EXPECT_TRUE(fake.calls.empty());
  iobuf_puts(&b, "ab");
  iobuf_puts(&b, "c");
  iobuf_flush(&b);
  EXPECT_EQ(written(), "abc");
}

TEST_F(Iobuf, PutBufferedPassesEveryByteThroughTheStorage) {
  iobuf b;
  char storage[8];
  iobuf_init(&b, fake_write, 1, storage, 8);
  const std::string head = pattern(3), data = "0123456789abcdefghij";
  iobuf_puts_buffered(&b, head.c_str());
  ASSERT_EQ(iobuf_puts_buffered(&b, data.c_str()), 0);
  ASSERT_EQ(fake.calls.size(), 2u);
  for (const auto& c : fake.calls) {
    EXPECT_EQ(c.at, storage);
    EXPECT_EQ(c.len, 8u);
  }
  EXPECT_EQ(b.held, 7u);
  iobuf_flush(&b);
  EXPECT_EQ(written(), head + data);
}

TEST_F(Iobuf, PutFlushLeavesTheRecordEmpty) {
  iobuf b;
  iobuf_init(&b, fake_write, 1, err_storage, IOBUF_ERR_SIZE);
  const std::string head = pattern(5);
  iobuf_put(&b, head.data(), 5);
  ASSERT_EQ(iobuf_puts_flush(&b, "tail"), 0);
  EXPECT_EQ(lengths(), (std::vector<std::uint32_t>{5, 4}));
  EXPECT_EQ(b.held, 0u);
  EXPECT_EQ(written(), head + "tail");
  ASSERT_EQ(iobuf_put_flush(&b, "", 0), 0);
  EXPECT_EQ(fake.calls.size(), 2u);
}

TEST_F(Iobuf, GetOfTheCapacityIsOneReadStraightIntoTheDestination) {
  struct read_case {
    std::deque<scripted_answer> script;
    int result;
    std::size_t calls;
  };
  const read_case cases[] = {
      {{}, 64, 1},
      {{{10}}, 10, 1},
      {{{0}}, 0, 1},
      {{{-1, EINTR}, {5}}, 5, 2},
      {{{-1, EIO}}, -1, 1},
  };
  for (const auto& c : cases) {
    SetUp();
    iobuf b;
    iobuf_init(&b, fake_read, 3, small_storage, 64);
    fake.script = c.script;
    char dest[64];
    EXPECT_EQ(iobuf_get(&b, dest, 64), c.result);
    ASSERT_EQ(fake.calls.size(), c.calls);
    for (const auto& call : fake.calls) {
      EXPECT_EQ(call.at, dest);
      EXPECT_EQ(call.len, 64u);
      EXPECT_EQ(call.descriptor, 3);
    }
    EXPECT_EQ(b.held, 0u);
    EXPECT_EQ(b.mark, 64u);
  }
}

TEST_F(Iobuf, BgetAsksForAtMostTheCapacity) {
  iobuf b;
  iobuf_init(&b, fake_read, 3, small_storage, 64);
  char dest[100];
  iobuf_get(&b, dest, 100);
  iobuf_bget(&b, dest, 100);
  EXPECT_EQ(lengths(), (std::vector<std::uint32_t>{100, 64}));
  EXPECT_EQ(fake.calls[1].at, dest);
}

TEST_F(Iobuf, SmallGetRefillsAndKeepsTheRestAtTheEnd) {
  iobuf b;
  iobuf_init(&b, fake_read, 3, small_storage, 64);
  fake.script = {{20}};
  char dest[100];
  ASSERT_EQ(iobuf_get(&b, dest, 5), 5);
  EXPECT_EQ(std::string(dest, 5), "abcde");
  EXPECT_EQ(b.mark, 49u);
  EXPECT_EQ(b.held, 15u);
  EXPECT_EQ(std::string(small_storage + 49, 15), "fghijklmnopqrst");

  ASSERT_EQ(iobuf_get(&b, dest, 100), 15);
  EXPECT_EQ(std::string(dest, 15), "fghijklmnopqrst");
  EXPECT_EQ(fake.calls.size(), 1u);
  EXPECT_EQ(b.mark, 64u);
  EXPECT_EQ(b.held, 0u);
}

TEST_F(Iobuf, RefillOfTheWholeCapacityMovesNothing) {
  iobuf b;
  char storage[8];
  iobuf_init(&b, fake_read, 3, storage, 8);
  ASSERT_EQ(iobuf_feed(&b), 8);
  EXPECT_EQ(b.mark, 0u);
  EXPECT_EQ(std::string(iobuf_peek(&b), 8), "abcdefgh");
}

TEST_F(Iobuf, FeedPeekSeekWorkInPlace) {
  iobuf b;
  iobuf_init(&b, fake_read, 3, small_storage, 64);
  fake.script = {{6}};
  ASSERT_EQ(iobuf_feed(&b), 6);
  ASSERT_EQ(iobuf_feed(&b), 6) << "a record that holds bytes is not refilled";
  EXPECT_EQ(fake.calls.size(), 1u);
  EXPECT_EQ(std::string(iobuf_peek(&b), 6), "abcdef");
  iobuf_seek(&b, 4);
  EXPECT_EQ(std::string(iobuf_peek(&b), 2), "ef");
  EXPECT_EQ(b.held, 2u);
  EXPECT_EQ(b.mark, 62u);

  iobuf_seek(&b, 2);
  fake.script = {{0}, {-1, EIO}};
  EXPECT_EQ(iobuf_feed(&b), 0);
  EXPECT_EQ(iobuf_feed(&b), -1);
  EXPECT_EQ(b.held, 0u);
  EXPECT_EQ(b.mark, 64u);
}

TEST_F(Iobuf, FdTransfersMoveRealBytes) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  char text[] = "hello";
  EXPECT_EQ(fd_write(fds[1], text, 5), 5);
  char back[8];
  EXPECT_EQ(fd_read(fds[0], back, 8), 5);
  EXPECT_EQ(std::string(back, 5), "hello");
  close(fds[0]);
  close(fds[1]);
  errno = 0;
  EXPECT_EQ(fd_read(fds[0], back, 8), -1);
  EXPECT_EQ(errno, EBADF);
}
