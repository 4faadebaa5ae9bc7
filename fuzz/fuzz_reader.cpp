// One import reader over fuzzed bytes (FUZZ_FORMAT: the reader this target is built for):
// whatever it reads must load as a testbank; a refusal says why.
#include "FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    FuzzImport(bytes, ImportFormat::FUZZ_FORMAT);
    return 0;
}
