// Every importer over fuzzed bytes: the first byte picks the format (or detection), the
// rest is the file. Whatever is read must load as a testbank.
#include "FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const ImportFormat formats[] = {ImportFormat::Auto, ImportFormat::Moodle, ImportFormat::Gift,
                                    ImportFormat::Qti,  ImportFormat::Csv,    ImportFormat::Json,
                                    ImportFormat::Xlsx, ImportFormat::Aiken,  ImportFormat::Text,
                                    ImportFormat::Docx};
    const ImportFormat format = formats[data[0] % std::size(formats)];
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    FuzzImport(bytes, format);
    return 0;
}
