#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <cstdint>
#include <vector>

// A zip archive built in memory with libzip: each entry deflated (on threads of their own,
// beside the caller), names in UTF-8, one fixed time stamp so the same entries give the
// same bytes; Zip64 records when needed.
// An archive past 4 GiB is refused.
class ZipWriter {
public:
    ZipWriter();
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;
    // False when the archive would pass 4 GiB or the library refuses the entry.
    bool Add(std::string_view name, std::string data);
    // The whole archive ("" when the library fails); the writer is spent afterwards.
    std::string Finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// A zip archive read from memory by libzip, with our policy on top. Opening refuses the
// whole archive when an entry's name could leave the folder it is unpacked into (a ".."
// part, an absolute path, a drive letter), when an entry is a link or encrypted, or when
// the sizes look like a zip bomb (more than kMaxZipTotal in all, or an entry that inflates
// more than kMaxZipRatio times its stored size past a few megabytes). Names that differ
// only as Find compares them are noted; the first one is read. Reading inflates one
// entry, never past its declared size, and checks its CRC. One thread reads at a time.
constexpr unsigned long long kMaxZipTotal = 1ull << 30;
constexpr unsigned long long kMaxZipRatio = 200;

class ZipReader {
public:
    ZipReader();
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;
    // False with a message (a sentence) when the bytes are no zip this reader takes. The
    // bytes must outlive the reader.
    bool Open(std::string_view bytes, std::string& error);
    size_t Count() const { return entries_.size(); }
    const std::string& Name(size_t index) const { return entries_[index].name; }
    unsigned long long Size(size_t index) const { return entries_[index].size; } // as declared
    // The index of the entry with that name ('\\' taken as '/', a leading "./" ignored,
    // letters compared without case as Windows would), or Count() when there is none.
    size_t Find(std::string_view name) const;
    bool Read(size_t index, std::string& data, std::string& error) const;
    // What Open noticed without refusing the archive (repeated names), as sentences.
    const std::vector<std::string>& Notes() const { return notes_; }

private:
    struct Entry {
        std::string name;
        uint64_t libraryIndex = 0;
        unsigned long long size = 0;
    };
    struct Archive;
    std::unique_ptr<Archive> archive_;
    std::vector<Entry> entries_;
    std::vector<std::string> notes_;
};
// The normalized form Find compares: '/' separators, no "./" parts, lower-case ASCII.
std::string ZipPathKey(std::string_view name);
// Whether a file name inside a package would land outside the package's folder: a ".."
// part, an absolute path, a drive letter.
bool PathEscapesFolder(std::string_view name);
// A file name as a package's manifest writes it (a URL reference: "%20" is a space) as
// the name of the file in the package, the same for a zip and for a folder; "" when the
// name would leave the package (PathEscapesFolder after decoding).
std::string PackageFileName(std::string_view href);
