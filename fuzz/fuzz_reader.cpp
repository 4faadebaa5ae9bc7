// One import reader over fuzzed bytes (FUZZ_FORMAT: the reader this target is built for):
// whatever it reads must load as a testbank; a refusal says why.
#include "FuzzCommon.h"
#include "formats/ImportFormats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    ImportedBank bank;
    std::string error;
    if (!ImportBankBytes(bytes, u"fuzz.txt", ImportFormat::FUZZ_FORMAT, bank, error)) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    json document;
    std::u16string loadError;
    NoteList notes;
    std::vector<ImportIssue> issues;
    if (!ValidateTestbankDocument(std::move(bank.document), document, loadError, notes, &issues)) __builtin_trap();
    DumpJsonForRawView(document);
    return 0;
}
