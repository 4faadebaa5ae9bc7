// Every importer over fuzzed bytes: the first byte picks the format (or detection), the
// rest is the file. Whatever is read must load as a testbank.
#include "FuzzCommon.h"
#include "formats/ImportFormats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const ImportFormat formats[] = {ImportFormat::Auto, ImportFormat::Moodle, ImportFormat::Gift,
                                    ImportFormat::Qti,  ImportFormat::Csv,    ImportFormat::Json};
    const ImportFormat format = formats[data[0] % 6];
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    ImportedBank bank;
    std::string error;
    if (!ImportBankBytes(bytes, u"fuzz.txt", format, bank, error)) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    json document;
    std::u16string loadError;
    NoteList notes;
    std::vector<ImportIssue> issues;
    if (!ValidateTestbankDocument(std::move(bank.document), document, loadError, notes, &issues)) {
        // Import makes IDs unique and items objects: the loader must take what it made.
        __builtin_trap();
    }
    DumpJsonForRawView(document);
    return 0;
}
