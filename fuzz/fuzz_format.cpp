// The formatted view on arbitrary raw text (what the raw view may hold after typing).
#include "FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_validationWarnings.assign(size % 40, u"note");
    const std::u16string view = FormatTestbankJson(FuzzText(data, size));
    return 0;
}
