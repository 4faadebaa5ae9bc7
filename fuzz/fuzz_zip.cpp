// The zip seam over fuzzed bytes: open, find every entry by its own name and by the
// package file name rule, read each; whatever opens must read within its limits.
#include <cstdint>
#include <string>

#include "util/Zip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    ZipReader zip;
    std::string error;
    if (!zip.Open(bytes, error)) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    unsigned long long total = 0;
    for (size_t i = 0; i < zip.Count(); ++i) {
        if (PathEscapesFolder(zip.Name(i)) || zip.Find(zip.Name(i)) >= zip.Count()) __builtin_trap();
        PackageFileName(zip.Name(i));
        std::string entry;
        if (zip.Read(i, entry, error)) total += entry.size();
        else if (error.empty()) __builtin_trap();
    }
    if (total > kMaxZipTotal) __builtin_trap();
    return 0;
}
