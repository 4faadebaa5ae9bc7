// The HTML seam over fuzzed bytes: the text is valid UTF-8 whenever the input is.
#include <cstdint>
#include <string>

#include "util/HtmlText.h"
#include "util/StringUtil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string html(reinterpret_cast<const char*>(data), size);
    const std::string text = HtmlToPlainText(html);
    if (w2s(s2w(html)) == html && w2s(s2w(text)) != text) __builtin_trap();
    return 0;
}
