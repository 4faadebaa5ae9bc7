#include "util/Zip.h"

#include <cstdint>
#include <limits>

#include <zlib.h>

namespace {

// 1980-01-01 00:00, the earliest time the format can hold.
constexpr uint16_t kDosTime = 0, kDosDate = (0 << 9) | (1 << 5) | 1;
constexpr uint16_t kUtf8Names = 1 << 11;
constexpr uint64_t kLimit = std::numeric_limits<uint32_t>::max();

void Put16(std::string& out, uint16_t v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}
void Put32(std::string& out, uint32_t v)
{
    Put16(out, static_cast<uint16_t>(v & 0xFFFF));
    Put16(out, static_cast<uint16_t>(v >> 16));
}
void Put64(std::string& out, uint64_t v)
{
    Put32(out, static_cast<uint32_t>(v & 0xFFFFFFFFu));
    Put32(out, static_cast<uint32_t>(v >> 32));
}

} // namespace

struct ZipWriter::Impl {
    z_stream stream{};
    bool ready = false;
    std::string body, directory;
    uint64_t entries = 0;
    std::string buffer;

    // Raw deflate of `data` into `buffer`; one stream reset per entry.
    bool Deflate(std::string_view data)
    {
        if (!ready) {
            if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
                return false;
            ready = true;
        } else if (deflateReset(&stream) != Z_OK) {
            return false;
        }
        buffer.resize(deflateBound(&stream, static_cast<uLong>(data.size())));
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
        stream.avail_in = static_cast<uInt>(data.size());
        stream.next_out = reinterpret_cast<Bytef*>(&buffer[0]);
        stream.avail_out = static_cast<uInt>(buffer.size());
        if (deflate(&stream, Z_FINISH) != Z_STREAM_END) return false;
        buffer.resize(stream.total_out);
        return true;
    }
};

ZipWriter::ZipWriter() : impl_(new Impl) {}

ZipWriter::~ZipWriter()
{
    if (impl_->ready) deflateEnd(&impl_->stream);
}

bool ZipWriter::Add(std::string_view name, std::string_view data)
{
    Impl& z = *impl_;
    if (data.size() >= kLimit || name.size() > 0xFFFF || !z.Deflate(data)) return false;
    const uint32_t crc =
        static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(data.data()),
                                    static_cast<uInt>(data.size())));
    // Data that does not shrink is stored as it is.
    const bool stored = z.buffer.size() >= data.size();
    const std::string_view payload = stored ? data : std::string_view(z.buffer);
    const uint64_t offset = z.body.size();
    // Both headers, the data and the end records must stay within 32-bit offsets.
    if (offset + payload.size() + z.directory.size() + 2 * name.size() + 200 >= kLimit) return false;
    auto header = [&](std::string& out, bool central) {
        Put32(out, central ? 0x02014b50 : 0x04034b50);
        if (central) Put16(out, 20);      // made by: version 2.0, MS-DOS attributes
        Put16(out, 20);                   // needed to extract
        Put16(out, kUtf8Names);
        Put16(out, stored ? 0 : 8);
        Put16(out, kDosTime);
        Put16(out, kDosDate);
        Put32(out, crc);
        Put32(out, static_cast<uint32_t>(payload.size()));
        Put32(out, static_cast<uint32_t>(data.size()));
        Put16(out, static_cast<uint16_t>(name.size()));
        Put16(out, 0); // extra field
        if (central) {
            Put16(out, 0); // comment
            Put16(out, 0); // disk
            Put16(out, 0); // internal attributes
            Put32(out, 0); // external attributes
            Put32(out, static_cast<uint32_t>(offset));
        }
        out.append(name.data(), name.size());
    };
    header(z.body, false);
    z.body.append(payload.data(), payload.size());
    header(z.directory, true);
    ++z.entries;
    return true;
}

std::string ZipWriter::Finish()
{
    Impl& z = *impl_;
    std::string out = std::move(z.body);
    const uint64_t directoryOffset = out.size();
    out += z.directory;
    const uint64_t directorySize = z.directory.size();
    if (z.entries > 0xFFFE) {
        // Zip64 end record and its locator: the entry count does not fit 16 bits.
        const uint64_t zip64At = out.size();
        Put32(out, 0x06064b50);
        Put64(out, 44);
        Put16(out, 45);
        Put16(out, 45);
        Put32(out, 0);
        Put32(out, 0);
        Put64(out, z.entries);
        Put64(out, z.entries);
        Put64(out, directorySize);
        Put64(out, directoryOffset);
        Put32(out, 0x07064b50);
        Put32(out, 0);
        Put64(out, zip64At);
        Put32(out, 1);
    }
    const uint16_t count = z.entries > 0xFFFE ? 0xFFFF : static_cast<uint16_t>(z.entries);
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, count);
    Put16(out, count);
    Put32(out, static_cast<uint32_t>(directorySize));
    Put32(out, static_cast<uint32_t>(directoryOffset));
    Put16(out, 0);
    z.directory.clear();
    z.entries = 0;
    return out;
}

namespace {

uint64_t Get16(std::string_view s, size_t at)
{
    return static_cast<uint64_t>(static_cast<unsigned char>(s[at])) |
           static_cast<uint64_t>(static_cast<unsigned char>(s[at + 1])) << 8;
}
uint64_t Get32(std::string_view s, size_t at) { return Get16(s, at) | Get16(s, at + 2) << 16; }
uint64_t Get64(std::string_view s, size_t at) { return Get32(s, at) | Get32(s, at + 4) << 32; }

} // namespace

bool PathEscapesFolder(std::string_view name)
{
    if (name.empty() || name[0] == '/' || name[0] == '\\') return true;
    if (name.size() >= 2 && name[1] == ':') return true;
    size_t start = 0;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || name[i] == '/' || name[i] == '\\') {
            if (name.compare(start, i - start, "..") == 0 && i - start == 2) return true;
            start = i + 1;
        }
    }
    return false;
}

std::string ZipPathKey(std::string_view name)
{
    std::string key;
    size_t start = 0;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && name[i] != '/' && name[i] != '\\') continue;
        const std::string_view part = name.substr(start, i - start);
        start = i + 1;
        if (part.empty() || part == ".") continue;
        if (!key.empty()) key += '/';
        for (char c : part) key += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return key;
}

bool ZipReader::Open(std::string_view bytes, std::string& error)
{
    bytes_ = bytes;
    entries_.clear();
    // The end record: 22 bytes plus a comment of up to 65,535.
    if (bytes.size() < 22) {
        error = "The file is not a zip archive (too short).";
        return false;
    }
    size_t end = std::string_view::npos;
    const size_t lowest = bytes.size() > 22 + 0xFFFF ? bytes.size() - 22 - 0xFFFF : 0;
    for (size_t at = bytes.size() - 22 + 1; at-- > lowest;)
        if (Get32(bytes, at) == 0x06054b50) {
            end = at;
            break;
        }
    if (end == std::string_view::npos) {
        error = "The file is not a zip archive (no central directory).";
        return false;
    }
    uint64_t count = Get16(bytes, end + 10), dirSize = Get32(bytes, end + 12), dirOffset = Get32(bytes, end + 16);
    if ((count == 0xFFFF || dirOffset == 0xFFFFFFFF) && end >= 20 && Get32(bytes, end - 20) == 0x07064b50) {
        const uint64_t at = Get64(bytes, end - 12);
        if (at > bytes.size() - 56 || Get32(bytes, static_cast<size_t>(at)) != 0x06064b50) {
            error = "The zip archive is damaged (its Zip64 record is missing).";
            return false;
        }
        count = Get64(bytes, static_cast<size_t>(at) + 32);
        dirSize = Get64(bytes, static_cast<size_t>(at) + 40);
        dirOffset = Get64(bytes, static_cast<size_t>(at) + 48);
    }
    if (dirOffset > bytes.size() || dirSize > bytes.size() - dirOffset || count > dirSize / 46) {
        error = "The zip archive is damaged (its directory lies outside the file).";
        return false;
    }
    entries_.reserve(static_cast<size_t>(count));
    unsigned long long total = 0;
    size_t at = static_cast<size_t>(dirOffset);
    const size_t dirEnd = static_cast<size_t>(dirOffset + dirSize);
    for (uint64_t i = 0; i < count; ++i) {
        if (at + 46 > dirEnd || Get32(bytes, at) != 0x02014b50) {
            error = "The zip archive is damaged (a directory entry is malformed).";
            return false;
        }
        Entry e;
        const uint64_t flags = Get16(bytes, at + 8);
        e.method = static_cast<uint16_t>(Get16(bytes, at + 10));
        e.crc = static_cast<uint32_t>(Get32(bytes, at + 16));
        e.packed = Get32(bytes, at + 20);
        e.size = Get32(bytes, at + 24);
        const size_t nameLength = static_cast<size_t>(Get16(bytes, at + 28));
        const size_t extraLength = static_cast<size_t>(Get16(bytes, at + 30));
        const size_t commentLength = static_cast<size_t>(Get16(bytes, at + 32));
        e.offset = Get32(bytes, at + 42);
        if (at + 46 + nameLength + extraLength + commentLength > dirEnd) {
            error = "The zip archive is damaged (a directory entry is malformed).";
            return false;
        }
        e.name.assign(bytes.substr(at + 46, nameLength));
        // Zip64 sizes and offset, in that order, for the fields that are all ones.
        for (size_t x = at + 46 + nameLength, xEnd = x + extraLength; x + 4 <= xEnd;) {
            const uint64_t id = Get16(bytes, x), length = Get16(bytes, x + 2);
            if (x + 4 + length > xEnd) break;
            if (id == 1) {
                size_t f = x + 4;
                auto take = [&](unsigned long long& field) {
                    if (field == 0xFFFFFFFF && f + 8 <= x + 4 + length) field = Get64(bytes, f), f += 8;
                };
                take(e.size);
                take(e.packed);
                take(e.offset);
            }
            x += 4 + static_cast<size_t>(length);
        }
        at += 46 + nameLength + extraLength + commentLength;
        if (PathEscapesFolder(e.name)) {
            error = "The zip archive is refused: the entry \"" + e.name + "\" points outside its folder.";
            entries_.clear();
            return false;
        }
        if (flags & 1) {
            error = "The zip archive is encrypted; it cannot be read.";
            entries_.clear();
            return false;
        }
        if (!e.name.empty() && (e.name.back() == '/' || e.name.back() == '\\')) continue; // a folder
        total += e.size;
        if (total > kMaxZipTotal || (e.size > (8u << 20) && e.size / kMaxZipRatio > e.packed)) {
            error = "The zip archive is refused: it would unpack to far more than it holds (" +
                    std::to_string(total >> 20) + " MB or more).";
            entries_.clear();
            return false;
        }
        entries_.push_back(std::move(e));
    }
    return true;
}

size_t ZipReader::Find(std::string_view name) const
{
    const std::string key = ZipPathKey(name);
    for (size_t i = 0; i < entries_.size(); ++i)
        if (ZipPathKey(entries_[i].name) == key) return i;
    return entries_.size();
}

bool ZipReader::Read(size_t index, std::string& data, std::string& error) const
{
    const Entry& e = entries_[index];
    const std::string_view b = bytes_;
    if (e.offset > b.size() || b.size() - e.offset < 30 || Get32(b, static_cast<size_t>(e.offset)) != 0x04034b50) {
        error = "The zip archive is damaged (the entry \"" + e.name + "\" is missing).";
        return false;
    }
    const size_t start = static_cast<size_t>(e.offset) + 30 + static_cast<size_t>(Get16(b, static_cast<size_t>(e.offset) + 26)) +
                         static_cast<size_t>(Get16(b, static_cast<size_t>(e.offset) + 28));
    if (start > b.size() || e.packed > b.size() - start) {
        error = "The zip archive is damaged (the entry \"" + e.name + "\" is cut short).";
        return false;
    }
    const std::string_view packed = b.substr(start, static_cast<size_t>(e.packed));
    data.clear();
    if (e.method == 0) {
        data.assign(packed);
    } else if (e.method == 8) {
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
            error = "Out of memory while unpacking the zip archive.";
            return false;
        }
        // One byte more than declared: an entry that lies about its size is caught.
        data.resize(static_cast<size_t>(e.size) + 1);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
        z.next_out = reinterpret_cast<Bytef*>(&data[0]);
        if (packed.size() > 0xFFFFFFFFu) {
            inflateEnd(&z);
            error = "The zip archive is refused: an entry is too large.";
            return false;
        }
        z.avail_in = static_cast<uInt>(packed.size());
        z.avail_out = static_cast<uInt>(data.size());
        const int rc = inflate(&z, Z_FINISH);
        const size_t outLeft = z.avail_out;
        inflateEnd(&z);
        if (rc != Z_STREAM_END || outLeft != 1) {
            error = "The zip archive is damaged (the entry \"" + e.name + "\" does not unpack to its size).";
            data.clear();
            return false;
        }
        data.resize(static_cast<size_t>(e.size));
    } else {
        error = "The zip entry \"" + e.name + "\" uses a compression method this program does not read.";
        return false;
    }
    if (data.size() != e.size ||
        static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(data.data()),
                                    static_cast<uInt>(data.size()))) != e.crc) {
        error = "The zip archive is damaged (the entry \"" + e.name + "\" fails its checksum).";
        data.clear();
        return false;
    }
    return true;
}
