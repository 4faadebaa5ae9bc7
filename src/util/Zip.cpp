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
