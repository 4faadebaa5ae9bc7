#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <cstdint>
#include <vector>

// A zip archive built in memory: each entry deflated (zlib), names in UTF-8, one fixed
// time stamp so the same entries give the same bytes. More than 65,535 entries get the
// Zip64 end records; an archive past 4 GiB is refused.
class ZipWriter {
public:
    ZipWriter();
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;
    // False when zlib fails or the archive would pass 4 GiB.
    bool Add(std::string_view name, std::string_view data);
    // The whole archive; the writer is spent afterwards.
    std::string Finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// A zip archive read from memory. Opening reads the central directory and refuses the
// whole archive when an entry's name could leave the folder it is unpacked into (a ".."
// part, an absolute path, a drive letter), when entries are encrypted, or when the sizes
// look like a zip bomb (more than kMaxZipTotal in all, or an entry that inflates more
// than kMaxZipRatio times its stored size past a few megabytes). Reading inflates one
// entry (zlib), never past its declared size, and checks its CRC.
constexpr unsigned long long kMaxZipTotal = 1ull << 30;
constexpr unsigned long long kMaxZipRatio = 200;

class ZipReader {
public:
    // False with a message (a sentence) when the bytes are no zip this reader takes.
    bool Open(std::string_view bytes, std::string& error);
    size_t Count() const { return entries_.size(); }
    const std::string& Name(size_t index) const { return entries_[index].name; }
    // The index of the entry with that name ('\\' taken as '/', a leading "./" ignored,
    // letters compared without case as Windows would), or Count() when there is none.
    size_t Find(std::string_view name) const;
    bool Read(size_t index, std::string& data, std::string& error) const;

private:
    struct Entry {
        std::string name;
        uint16_t method = 0;
        uint32_t crc = 0;
        unsigned long long packed = 0, size = 0, offset = 0;
    };
    std::string_view bytes_;
    std::vector<Entry> entries_;
};
// The normalized form Find compares: '/' separators, no "./" parts, lower-case ASCII.
std::string ZipPathKey(std::string_view name);
// Whether a file name inside a package would land outside the package's folder: a ".."
// part, an absolute path, a drive letter.
bool PathEscapesFolder(std::string_view name);
