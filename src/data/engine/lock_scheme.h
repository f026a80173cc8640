// Lock scheme 4: the byte offsets, beyond the end of any real file, at which stations lock rows,
// the whole table, the append slot and index files; and the range that stands for the share
// mode of an open (shared opens hold a read lock there, exclusive opens a write lock).
#pragma once

#include <cstdint>

namespace velt::engine::lockscheme {

constexpr std::uint64_t kBase = 4'000'000'000ULL;
// Row n: kBase + n, one byte.
constexpr std::uint64_t rowOffset(std::uint32_t recno) {
    return kBase + recno;
}
constexpr std::uint64_t kRowLength = 1;
constexpr std::uint64_t kTableOffset = kBase + 1;
constexpr std::uint64_t kTableLength = 294'967'295ULL;  // to the end of the 32-bit range
constexpr std::uint64_t kAppendOffset = kBase;
constexpr std::uint64_t kAppendLength = 1;
// Index files: readers lock one random byte of the read range, writers the whole write range.
constexpr std::uint64_t kIndexReadFirst = 4'294'901'760ULL;
constexpr std::uint64_t kIndexReadLast = 4'294'967'295ULL;
constexpr std::uint64_t kIndexWriteOffset = 4'294'901'759ULL;
constexpr std::uint64_t kIndexWriteLength = 65'537ULL;
// Share mode of an open file: far beyond every offset above.
constexpr std::uint64_t kShareOffset = 0x2'0000'0000ULL;
constexpr std::uint64_t kShareLength = 1;
// Memo space allocation (memo file): held only while a memo is being placed.
constexpr std::uint64_t kMemoAllocOffset = kBase;
constexpr std::uint64_t kMemoAllocLength = 1;

}  // namespace velt::engine::lockscheme
