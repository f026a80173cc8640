// Compound index files (FoxPro CDX layout, 512-byte pages): the tag directory, one or more tags
// per file, compact leaf nodes with bit-packed entries and interior nodes. The program names these
// files ".NTX" and keeps one tag per file, but files with several tags (written by other tools)
// are read and updated correctly.
//
// Keys are fixed-width byte strings (CdxKeys builds them from values) compared unsigned byte by
// byte, ties by record number. Equal keys are kept in ascending record-number order.
//
// Pages given up by changes (an emptied leaf, two thinned leaves merged into one, a root that
// shrank, the pages of a replaced tag) are chained from the compound header's free-node field
// (bytes 4-7; each free page holds the next one's offset in its first 4 bytes, 0 ends the chain)
// and taken again before the file grows.
//
// Sharing between processes: every operation takes the index read lock (a shared lock on one
// random byte of 4,294,901,760..4,294,967,295) while it reads and the write lock (exclusive,
// 4,294,901,759 for 65,537 bytes) while it changes the file, with open-file-description locks
// that wait (F_OFD_SETLKW). Callers that run several operations in a row (a skip over deleted
// rows, an update that removes and inserts) may hold a session with readSession() /
// writeSession(): operations inside it take no further lock. Every write session bumps a change
// counter in the compound header (bytes 8-11, which readers of the format ignore; a new file
// starts it at a random value); a new lock session keeps the cached pages only when that counter
// is unchanged, so a reader always sees what another process wrote before it took the lock. A file
// opened with `exclusive` (the table is opened exclusively, no other process can have it) takes no
// locks and keeps its page cache between operations.
//
// A CdxFile is one open file description: do not share one across fork(); two CdxFile objects on
// the same file (two work areas) lock against each other as two processes do.
//
// Damage (a file of 1024 bytes or less, page offsets outside the file or not on a page boundary,
// impossible counts or bit widths, loops in the tree or the sibling chains) is raised through
// velt::raiseFailure with genCode gen::kCorruption, subCode kSubCodeCorrupt (layer "VELTDB"), the
// file name and the description "file danneggiato: " + what does not add up (the failure handler
// shows "Il file NAME risulta corrotto."); it never crashes, hangs or reads out of bounds. I/O
// errors are raised with the errno mapped to the Windows code; bad arguments (a key longer than
// the tag's, texts of 511 characters or more, a bad name or width) with gen::kArgument. If the
// failure handler answers instead of abandoning, the failure is thrown as FailureError (the
// operation cannot go on).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "util/date.h"
#include "util/value.h"

namespace velt::engine {

enum class CdxKeyType : char { Character = 'C', Number = 'N', Date = 'D', Logical = 'L' };

inline constexpr int kCdxMaxKeyLength = 240;       // longest text key
inline constexpr int kCdxMaxExpressionText = 510;  // key + condition texts together (< 511)
inline constexpr int kCdxMaxTagName = 10;

// What a tag is built from. The texts are stored as written; the keys come from the caller.
struct CdxTagSpec {
    std::string name;     // 1..10 characters, stored upper case (a to z)
    std::string keyExpr;  // key expression text, not empty
    std::string forExpr;  // condition text ("!DELETED()"); empty when the tag has none
    CdxKeyType type = CdxKeyType::Character;
    int keyLength = 0;    // Character: 1..240; Number, Date: 8; Logical: 1 (0 = the type's width)
    bool unique = false;  // only the first record (lowest number) of equal keys is kept
    bool descending = false;  // recorded in the tag header; keys are still stored ascending and
                              // the caller walks the order from its end (last / prev)
};

// Key encoders: the bytes a tag stores for a value.
struct CdxKeys {
    // Text padded with blanks (or cut) to `keyLength` bytes.
    static std::string character(std::string_view text, int keyLength);
    // The IEEE double big-endian, top bit flipped when >= 0, all bits inverted when < 0, so that
    // the bytes sort as the numbers do. -0.0 is keyed as 0.
    static std::string number(double value);
    // The Julian day number as a number key; the empty date is keyed as 0 (before every date).
    static std::string date(const Date& date);
    static std::string logical(bool value);  // "T" or "F"
    // By type: Character takes text (other kinds give blanks), Number a number, Date a date,
    // Logical a logical; a value of another kind keys as that type's empty value.
    static std::string encode(const Value& value, CdxKeyType type, int keyLength);
    // Back from the 8 bytes of a number or date key (for tools and tests).
    static double decodeNumber(std::string_view key);
    static Date decodeDate(std::string_view key);
};

class CdxFile;
class CdxTag;
struct CdxSpot;

// A position in one tag's key order. A cursor is either on an entry (valid()) or off the ends.
// It survives lock sessions and changes made by others: when the file may have changed since it
// was positioned, it finds its entry again by key and record number (or the entry that now
// follows it, when its own was removed).
class CdxCursor {
  public:
    explicit CdxCursor(CdxTag& tag);

    // First entry whose key is >= `prefix` compared over the prefix's length (a text key is
    // "found" when the caller sees that key() begins with the prefix). False, off the end, when
    // every key is smaller.
    bool seek(std::string_view prefix);
    // The entry (key, recno) itself; false and off the ends when it is not in the tag.
    bool find(std::string_view key, std::uint32_t recno);
    bool first();
    bool last();
    bool next();  // false, off the end, after the last entry
    bool prev();  // false, off the start, before the first entry

    bool valid() const { return valid_; }
    const std::string& key() const { return key_; }  // keyLength bytes
    std::uint32_t recno() const { return recno_; }

    // Within the range of keys [low, high] (see CdxTag::keyCount): the 1-based position of the
    // current entry, 0 when the cursor is not on an entry inside the range (or its entry was
    // removed since it was positioned).
    std::uint64_t position(std::string_view low = {}, std::string_view high = {});
    // Moves to the entry at 1-based `position` within the range; false (off the end) when there
    // are fewer entries.
    bool goToPosition(std::uint64_t position, std::string_view low = {},
                      std::string_view high = {});

  private:
    friend class CdxTag;
    void reposition();        // makes leaf_/index_ valid for the current session
    bool land(CdxSpot spot);  // takes the entry at spot (or the next one) as current

    CdxTag* tag_;
    bool valid_ = false;
    bool ahead_ = false;  // reposition() landed on the entry after the lost one
    std::string key_;
    std::uint32_t recno_ = 0;
    std::uint32_t leaf_ = 0;
    int index_ = 0;
    std::uint64_t generation_ = 0;
};

// One tag of an open file. References stay valid while the file is open; a tag rebuilt under
// the same name keeps its object.
class CdxTag {
  public:
    const std::string& name() const { return name_; }
    const std::string& keyExpr() const { return keyExpr_; }
    const std::string& forExpr() const { return forExpr_; }
    int keyLength() const { return keyLength_; }
    bool unique() const { return unique_; }
    bool descending() const { return descending_; }
    // The key type decides the pad byte of compressed keys (blank for text, 0 otherwise). It is
    // not stored in the file: a tag read from a file counts as Character until the caller, who
    // knows the type of its key expression, declares it with setKeyType(). Tags built by this
    // process carry the type they were built with.
    CdxKeyType keyType() const { return type_; }
    void setKeyType(CdxKeyType type);

    // Adds (key, recno). `key` shorter than the key length is padded with the pad byte; longer
    // is an argument failure. On a unique tag a key already present is not added (false).
    bool insert(std::string_view key, std::uint32_t recno);
    // Removes (key, recno); false when that entry is not there.
    bool remove(std::string_view key, std::uint32_t recno);

    // Keys k with k >= low and k <= high, each bound compared over its own length (an empty
    // bound is no bound). Reads only the boundary leaves and the headers of the leaves between.
    std::uint64_t keyCount(std::string_view low = {}, std::string_view high = {});

    CdxFile& file() { return *file_; }

  private:
    friend class CdxFile;
    friend class CdxCursor;
    friend class CdxTagBuilder;
    friend struct CdxTree;
    CdxTag() = default;

    CdxFile* file_ = nullptr;
    std::string name_, keyExpr_, forExpr_;
    std::uint32_t headerOffset_ = 0;
    int keyLength_ = 0;
    CdxKeyType type_ = CdxKeyType::Character;
    bool unique_ = false;
    bool descending_ = false;
};

// Builds a tag by sort-then-write: add every (key, recno) in any order, then finish() sorts them
// (keys, ties by record number), keeps the first of equal keys on a unique tag, and writes the
// leaves bottom-up and then each interior level. Nothing reaches the file before finish().
class CdxTagBuilder {
  public:
    CdxTagBuilder(CdxTagBuilder&&) noexcept;
    ~CdxTagBuilder();
    void add(std::string_view key, std::uint32_t recno);
    std::size_t size() const;
    // Writes the tag (replacing a tag of the same name) and returns it.
    CdxTag& finish();

  private:
    friend class CdxFile;
    struct Impl;
    explicit CdxTagBuilder(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

struct CdxOpenOptions {
    bool readOnly = false;
    bool exclusive = false;  // no other open of the file can exist: no locks, cache kept
};

class CdxFile {
  public:
    using Options = CdxOpenOptions;

    // A new empty compound index file (no tags), replacing any file of that name.
    static std::unique_ptr<CdxFile> create(const std::string& path, Options options = {});
    // Opens and checks an existing file: header, tag directory and each tag header.
    static std::unique_ptr<CdxFile> open(const std::string& path, Options options = {});
    ~CdxFile();
    CdxFile(const CdxFile&) = delete;
    CdxFile& operator=(const CdxFile&) = delete;

    const std::string& path() const { return path_; }
    int fd() const { return fd_; }  // for the caller's share-mode lock (a range above 2^32)
    bool readOnly() const { return options_.readOnly; }

    // Tags in directory (name) order.
    std::vector<CdxTag*> tags();
    CdxTag* tag(std::string_view name);  // name compared without regard to case; null if absent
    CdxTag* tag(std::size_t index);      // null when out of range

    // Starts building a tag: checks the definition (name, texts under 511 characters, key width)
    // and raises an argument failure for a bad one. The tag appears when the builder finishes.
    CdxTagBuilder buildTag(const CdxTagSpec& spec);

    // Holds the read or write lock across several operations (nests; a write session inside a
    // read session gives up the read lock while it waits for the write lock).
    class Session {
      public:
        Session(Session&& other) noexcept;
        ~Session();
        Session& operator=(Session&&) = delete;

      private:
        friend class CdxFile;
        Session(CdxFile* file, bool write);
        CdxFile* file_;
        bool write_;
    };
    Session readSession();
    Session writeSession();

    // Written pages reach the disk (fsync).
    void flush();

  private:
    friend class CdxTag;
    friend class CdxCursor;
    friend class CdxTagBuilder;
    friend struct CdxTree;
    struct Cache;
    CdxFile(std::string path, int fd, Options options);

    void revalidate(bool writing);
    void beginRead();
    void endRead();
    void beginWrite();
    void endWrite();
    void loadDirectory();
    void writeDirectory();
    void writeTagHeader(const CdxTag& tag, std::uint32_t root);
    void readAt(std::uint64_t offset, void* buffer, std::size_t size);
    void writeAt(std::uint64_t offset, const void* buffer, std::size_t size);
    void checkWritable();

    std::string path_;
    int fd_ = -1;
    Options options_;
    std::unique_ptr<Cache> cache_;
    std::unique_ptr<CdxTag> directory_;  // the tag directory, read as a tag of names
    std::vector<std::unique_ptr<CdxTag>> tags_;
    int readDepth_ = 0;
    int writeDepth_ = 0;
    std::uint64_t lockByte_ = 0;
    std::uint64_t generation_ = 1;  // changes whenever cached pages may be stale
};

}  // namespace velt::engine
