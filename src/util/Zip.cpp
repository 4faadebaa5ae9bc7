#include "util/Zip.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <unordered_map>

#include <zip.h>
#include <libdeflate.h>

namespace {

// 1980-01-01 00:00, the earliest time the format can hold, as MS-DOS time and date.
constexpr zip_uint16_t kDosTime = 0, kDosDate = (0 << 9) | (1 << 5) | 1;
// Room for the headers and the directory within 4 GiB.
constexpr unsigned long long kMaxArchive = 0xFFFFFFFFull - (64u << 20);

std::string LibraryError(zip_error_t* error)
{
    const std::string text = zip_error_strerror(error);
    zip_error_fini(error);
    return text;
}

bool IsUnixLink(zip_t* archive, zip_uint64_t index)
{
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0) return false;
    return system == ZIP_OPSYS_UNIX && ((attributes >> 16) & 0170000) == 0120000;
}

// --- writing ---

// An entry deflated here, on threads beside the caller, and handed to libzip as data
// already compressed: libzip would deflate every entry inside zip_close, one after another,
// and deflate is most of what a package of one file per question costs.
struct DeflatedEntry {
    std::string bytes;
    zip_uint64_t size = 0;
    zip_uint32_t crc = 0;
    size_t offset = 0;
};

zip_int64_t DeflatedSource(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto& entry = *static_cast<DeflatedEntry*>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        entry.offset = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const size_t n = static_cast<size_t>(std::min<zip_uint64_t>(length, entry.bytes.size() - entry.offset));
        std::memcpy(data, entry.bytes.data() + entry.offset, n);
        entry.offset += n;
        return static_cast<zip_int64_t>(n);
    }
    case ZIP_SOURCE_STAT: {
        if (length < sizeof(zip_stat_t)) return -1;
        auto* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st);
        st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC | ZIP_STAT_ENCRYPTION_METHOD;
        st->size = entry.size;
        st->comp_size = entry.bytes.size();
        st->comp_method = ZIP_CM_DEFLATE;
        st->crc = entry.crc;
        st->encryption_method = ZIP_EM_NONE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_CLOSE:
    case ZIP_SOURCE_FREE: // the writer owns the entry
        return 0;
    case ZIP_SOURCE_ERROR:
        return 2 * sizeof(int) <= length ? (static_cast<int*>(data)[0] = ZIP_ER_INTERNAL, static_cast<int*>(data)[1] = 0,
                                            static_cast<zip_int64_t>(2 * sizeof(int)))
                                         : -1;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        return -1;
    }
}

// Raw deflate of whole entries with libdeflate, which takes the entry in one piece (as the
// writer holds it) and costs less than half of zlib's fastest level on a question's file.
class Compressor {
public:
    ~Compressor()
    {
        if (c_) libdeflate_free_compressor(c_);
    }
    // The entry's CRC and deflated bytes; false when out of memory.
    bool Deflate(std::string_view data, DeflatedEntry& entry)
    {
        if (!c_ && !(c_ = libdeflate_alloc_compressor(1))) return false;
        entry.size = data.size();
        entry.crc = static_cast<zip_uint32_t>(libdeflate_crc32(0, data.data(), data.size()));
        entry.bytes.resize(libdeflate_deflate_compress_bound(c_, data.size()));
        const size_t n = libdeflate_deflate_compress(c_, data.data(), data.size(), entry.bytes.data(), entry.bytes.size());
        entry.bytes.resize(n);
        entry.bytes.shrink_to_fit();
        return n > 0;
    }

private:
    libdeflate_compressor* c_ = nullptr;
};

// Threads deflating the entries while the caller makes the next ones: deflate costs more
// than making a question's file.
constexpr unsigned kDeflaters = 2;

} // namespace

// Entries are deflated on threads of their own; libzip only reads them at Finish.
struct ZipWriter::Impl {
    zip_source_t* buffer = nullptr; // the archive's bytes, kept past zip_close
    zip_t* archive = nullptr;
    std::deque<DeflatedEntry> entries; // read by zip_close
    unsigned long long total = 0;

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::pair<DeflatedEntry*, std::string>> waiting; // to deflate
    size_t waitingBytes = 0;
    // Entries handed on together: a question's file takes less to deflate than waking a
    // thread for it.
    std::vector<std::pair<DeflatedEntry*, std::string>> batch;
    size_t batchBytes = 0;
    bool finishing = false, failed = false;
    std::vector<std::thread> workers;

    void Deflater()
    {
        Compressor compressor;
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return finishing || !waiting.empty(); });
            if (waiting.empty()) break;
            auto [entry, data] = std::move(waiting.front());
            waiting.pop_front();
            lock.unlock();
            bool ok = false;
            try {
                ok = compressor.Deflate(data, *entry);
            } catch (const std::bad_alloc&) { // nothing may leave the thread
            }
            lock.lock();
            waitingBytes -= data.size();
            failed = failed || !ok;
            changed.notify_all();
        }
    }

    // Starts the deflaters once; false when the system gives no thread.
    bool Started()
    {
        if (workers.empty()) {
            try {
                for (unsigned i = 0; i < kDeflaters; ++i) workers.emplace_back([this] { Deflater(); });
            } catch (const std::system_error&) {
            }
        }
        return !workers.empty();
    }

    // Queues the batch, waiting while more than 64 MB wait; false when an entry failed.
    bool HandBatch()
    {
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return waitingBytes < (64u << 20) || failed; });
            if (failed) return false;
            for (auto& entry : batch) waiting.push_back(std::move(entry));
            waitingBytes += batchBytes;
        }
        batch.clear();
        batchBytes = 0;
        changed.notify_all();
        return true;
    }

    // Waits for every entry to be deflated; false when one failed.
    bool Drain()
    {
        if (!batch.empty()) HandBatch();
        {
            std::lock_guard<std::mutex> lock(mutex);
            finishing = true;
        }
        changed.notify_all();
        for (std::thread& worker : workers) worker.join();
        workers.clear();
        return !failed;
    }
};

ZipWriter::ZipWriter() : impl_(new Impl)
{
    zip_error_t error;
    zip_error_init(&error);
    impl_->buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (impl_->buffer) {
        zip_source_keep(impl_->buffer);
        impl_->archive = zip_open_from_source(impl_->buffer, ZIP_TRUNCATE, &error);
    }
    zip_error_fini(&error);
}

ZipWriter::~ZipWriter()
{
    impl_->Drain();
    if (impl_->archive) zip_discard(impl_->archive);
    if (impl_->buffer) zip_source_free(impl_->buffer);
}

bool ZipWriter::Add(std::string_view name, std::string data)
{
    Impl& z = *impl_;
    z.total += data.size() + name.size() + 128;
    if (!z.archive || z.total > kMaxArchive || name.size() > 0xFFFF || name.find('\0') != std::string_view::npos)
        return false;
    DeflatedEntry& entry = z.entries.emplace_back();
    zip_source_t* source = zip_source_function(z.archive, DeflatedSource, &entry);
    if (!source) return false;
    const zip_int64_t index = zip_file_add(z.archive, std::string(name).c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return false;
    }
    if (zip_file_set_dostime(z.archive, static_cast<zip_uint64_t>(index), kDosTime, kDosDate, 0) != 0) return false;
    if (!z.Started()) { // one after the other, here
        return Compressor().Deflate(data, entry);
    }
    z.batchBytes += data.size();
    z.batch.emplace_back(&entry, std::move(data));
    return z.batch.size() < 64 && z.batchBytes < (1u << 20) ? true : z.HandBatch();
}

std::string ZipWriter::Finish()
{
    Impl& z = *impl_;
    std::string out;
    if (!z.Drain() || !z.archive) return out;
    const bool written = zip_close(z.archive) == 0;
    if (!written) zip_discard(z.archive);
    z.archive = nullptr;
    z.entries.clear();
    zip_stat_t st;
    zip_stat_init(&st);
    if (written && zip_source_stat(z.buffer, &st) == 0 && (st.valid & ZIP_STAT_SIZE) && zip_source_open(z.buffer) == 0) {
        out.resize(static_cast<size_t>(st.size));
        const zip_int64_t got = zip_source_read(z.buffer, out.data(), out.size());
        zip_source_close(z.buffer);
        if (got < 0 || static_cast<zip_uint64_t>(got) != st.size) out.clear();
    }
    return out;
}

// --- reading ---

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

std::string PackageFileName(std::string_view href)
{
    auto hex = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    std::string name;
    for (size_t i = 0; i < href.size(); ++i) {
        if (href[i] == '%' && i + 2 < href.size() && hex(href[i + 1]) >= 0 && hex(href[i + 2]) >= 0) {
            name += static_cast<char>(hex(href[i + 1]) * 16 + hex(href[i + 2]));
            i += 2;
        } else {
            name += href[i];
        }
    }
    if (name.find('\0') != std::string::npos || PathEscapesFolder(name)) return "";
    return name;
}

struct ZipReader::Archive {
    zip_t* zip = nullptr;
    size_t bytes = 0; // the archive's own size
    std::unordered_map<std::string, size_t> byKey;
    libdeflate_decompressor* inflater = nullptr; // made once: it costs more than a small entry
    ~Archive()
    {
        if (zip) zip_discard(zip);
        if (inflater) libdeflate_free_decompressor(inflater);
    }
};

ZipReader::ZipReader() = default;
ZipReader::~ZipReader() = default;

bool ZipReader::Open(std::string_view bytes, std::string& error)
{
    archive_.reset();
    entries_.clear();
    notes_.clear();
    zip_error_t libraryError;
    zip_error_init(&libraryError);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &libraryError);
    if (!source) {
        error = "The zip archive cannot be read (" + LibraryError(&libraryError) + ").";
        return false;
    }
    auto archive = std::make_unique<Archive>();
    archive->bytes = bytes.size();
    archive->zip = zip_open_from_source(source, ZIP_RDONLY, &libraryError);
    if (!archive->zip) {
        zip_source_free(source);
        const int code = zip_error_code_zip(&libraryError);
        error = code == ZIP_ER_NOZIP ? "The file is not a zip archive (no central directory)."
                                     : "The zip archive is damaged (" + LibraryError(&libraryError) + ").";
        zip_error_fini(&libraryError);
        return false;
    }
    zip_error_fini(&libraryError);
    const zip_int64_t count = zip_get_num_entries(archive->zip, 0);
    unsigned long long total = 0;
    std::vector<Entry> entries;
    for (zip_int64_t i = 0; i < count; ++i) {
        const zip_uint64_t index = static_cast<zip_uint64_t>(i);
        zip_stat_t st;
        if (zip_stat_index(archive->zip, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME)) {
            error = "The zip archive is damaged (a directory entry is malformed).";
            return false;
        }
        Entry e;
        e.name = st.name;
        e.libraryIndex = index;
        e.size = st.size;
        if (PathEscapesFolder(e.name)) {
            error = "The zip archive is refused: the entry \"" + e.name + "\" points outside its folder.";
            return false;
        }
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
            error = "The zip archive is encrypted; it cannot be read.";
            return false;
        }
        if (IsUnixLink(archive->zip, index)) {
            error = "The zip archive is refused: the entry \"" + e.name + "\" is a link.";
            return false;
        }
        if (e.name.back() == '/' || e.name.back() == '\\') continue; // a folder
        total += e.size;
        if (total > kMaxZipTotal || (e.size > (8u << 20) && e.size / kMaxZipRatio > st.comp_size)) {
            error = "The zip archive is refused: it would unpack to far more than it holds (" +
                    std::to_string(total >> 20) + " MB or more).";
            return false;
        }
        const std::string key = ZipPathKey(e.name);
        if (!archive->byKey.emplace(key, entries.size()).second) {
            notes_.push_back("The zip archive holds \"" + e.name + "\" more than once; the first one is read.");
            continue;
        }
        entries.push_back(std::move(e));
    }
    archive_ = std::move(archive);
    entries_ = std::move(entries);
    return true;
}

size_t ZipReader::Find(std::string_view name) const
{
    if (!archive_) return entries_.size();
    const auto it = archive_->byKey.find(ZipPathKey(name));
    return it == archive_->byKey.end() ? entries_.size() : it->second;
}

bool ZipReader::Read(size_t index, std::string& data, std::string& error) const
{
    const Entry& e = entries_[index];
    data.clear();
    zip_stat_t st;
    if (zip_stat_index(archive_->zip, e.libraryIndex, 0, &st) != 0) {
        error = "The zip archive is damaged (the entry \"" + e.name + "\" is missing).";
        return false;
    }
    if (st.comp_method != ZIP_CM_STORE && st.comp_method != ZIP_CM_DEFLATE) {
        error = "The zip entry \"" + e.name + "\" uses a compression method this program does not read.";
        return false;
    }
    // Up to want + 1 bytes of the entry (one more than declared: an entry that lies about its
    // size is caught), as stored or as libzip unpacks it. Whether it read exactly want bytes;
    // `why` holds libzip's reason, `opened` whether the entry could be opened at all.
    std::string why;
    bool opened = false;
    auto fetch = [&](zip_flags_t flags, unsigned long long want, std::string& into) {
        zip_file_t* file = zip_fopen_index(archive_->zip, e.libraryIndex, flags);
        opened = file != nullptr;
        if (!opened) {
            why = zip_strerror(archive_->zip);
            return false;
        }
        into.resize(static_cast<size_t>(want) + 1);
        size_t have = 0;
        zip_int64_t got = 0;
        while (have < into.size() && (got = zip_fread(file, &into[have], into.size() - have)) > 0)
            have += static_cast<size_t>(got);
        why = got < 0 ? zip_file_strerror(file) : "";
        zip_fclose(file);
        into.resize(have);
        return got >= 0 && have == want;
    };
    // A deflated entry is inflated by libdeflate in one call, at well over twice zlib's speed,
    // to exactly its declared size and CRC. Anything else goes through libzip's own reading,
    // so a damaged entry fails, or is read, as it always was; so does one whose stored size
    // claims more than the whole archive (never allocated for).
    if (st.comp_method == ZIP_CM_DEFLATE && st.comp_size < archive_->bytes) {
        std::string stored;
        if (fetch(ZIP_FL_COMPRESSED, st.comp_size, stored)) {
            if (!archive_->inflater && !(archive_->inflater = libdeflate_alloc_decompressor())) throw std::bad_alloc();
            data.resize(static_cast<size_t>(e.size));
            const libdeflate_result r = libdeflate_deflate_decompress(archive_->inflater, stored.data(), stored.size(),
                                                                      data.data(), data.size(), nullptr);
            if (r == LIBDEFLATE_SUCCESS &&
                libdeflate_crc32(0, data.data(), data.size()) == static_cast<uint32_t>(st.crc))
                return true;
        }
    }
    if (!fetch(0, e.size, data)) {
        error = !opened ? "The zip archive is damaged (the entry \"" + e.name + "\" cannot be opened: " + why + ")."
                        : "The zip archive is damaged (the entry \"" + e.name + "\" does not unpack to its size" +
                              (why.empty() ? "" : ": " + why) + ").";
        data.clear();
        return false;
    }
    return true;
}
