// Blackboard's pool files over fuzzed bytes, through the import as a file would go: only
// inputs whose root is a pool's are read (the QTI target has the rest), so the runs go
// to the pool reader.
#include "FuzzCommon.h"
#include "util/XmlReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (!IsBbPoolRoot(XmlRootName(bytes))) return 0;
    FuzzImport(bytes, ImportFormat::Qti);
    return 0;
}
