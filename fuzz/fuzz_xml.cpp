// The XML seam over fuzzed bytes: the tree, the root's name, and the XHTML text of every
// element; a tree comes only with valid UTF-8 names and text.
#include <cstdint>
#include <string>

#include "util/StringUtil.h"
#include "util/XmlReader.h"

namespace {
bool ValidUtf8(const std::string& s) { return w2s(s2w(s)) == s; }

void Walk(const XmlNode& node, size_t depth)
{
    if (depth > kMaxXmlDepth + 1 || !ValidUtf8(node.name) || !ValidUtf8(node.text)) __builtin_trap();
    if (!node.IsText()) XhtmlToPlainText(node);
    for (const XmlNode& child : node.children) Walk(child, depth + 1);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    XmlNode root;
    std::string error;
    const std::string name = XmlRootName(bytes);
    if (!ParseXml(bytes, root, error)) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    if (root.name != name) __builtin_trap();
    Walk(root, 0);
    return 0;
}
