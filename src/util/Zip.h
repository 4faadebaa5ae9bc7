#pragma once
#include <memory>
#include <string>
#include <string_view>

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
