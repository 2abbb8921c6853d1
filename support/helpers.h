// Byte, text, number and environment helpers.
//
// Texts are NUL-terminated runs of raw bytes: no character set, no case
// folding. Byte-run functions take destination (or first run), length,
// source (or second run). None of them checks its pointers.
#pragma once

#include <stdint.h>

// One open(2) with O_RDONLY | O_NONBLOCK: a descriptor, or -1 with errno set.
int open_readonly(const char* path);

// Value of the first environment entry "name=value", or null when there is
// none (or name is null). Points into the entry itself; may be empty.
const char* env_find(const char* name);

uint32_t text_len(const char* text);
// 1 when text begins with prefix (always for the empty prefix), else 0.
int text_starts(const char* text, const char* prefix);

// Forward copy: overlapping runs are safe only when to lies below from.
void mem_copy(char* to, uint32_t len, const char* from);
// Backward copy: overlapping runs are safe only when to lies above from.
void mem_copy_back(char* to, uint32_t len, const char* from);
// 0 when equal, else first differing byte of a minus that of b (unsigned).
int mem_diff(const char* a, uint32_t len, const char* b);
// Zeroes len bytes at to; the stores are volatile, so the compiler keeps them
// even where the bytes are dead, as key material about to go out of scope is.
void mem_wipe(void* to, uint32_t len);

// Room every caller provides for the digits of an unsigned 64-bit number.
inline constexpr uint32_t NUM_DIGITS_MAX = 20;

// Writes the decimal digits of value (no sign, no NUL) and returns their
// count, 1 to 20. With a null destination only counts.
uint32_t num_format(char* to, uint64_t value);
// Stores the value of the leading decimal digits of text, modulo 2^64 (0 when
// there are none), and returns how many digits it consumed.
uint32_t num_scan(const char* text, uint64_t* number);
