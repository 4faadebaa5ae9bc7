// The XML seam over fuzzed bytes: the tree, the root's name, and the XHTML text of every
// element; a tree comes only with valid UTF-8 names and text. Read element by element, the
// same bytes give the same elements the tree holds.
#include <cstdint>
#include <string>
#include <vector>

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

bool Same(const XmlNode& a, const XmlNode& b)
{
    if (a.name != b.name || a.text != b.text || a.attributes != b.attributes || a.children.size() != b.children.size())
        return false;
    for (size_t i = 0; i < a.children.size(); ++i)
        if (!Same(a.children[i], b.children[i])) return false;
    return true;
}

const XmlNode* FirstElement(const XmlNode& node)
{
    for (const XmlNode& child : node.children)
        if (!child.IsText()) return &child;
    return nullptr;
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
    const XmlNode* first = FirstElement(root);
    const std::string streamed = first ? first->name : "item";
    std::vector<const XmlNode*> expected;
    root.FindAll(streamed, expected);
    size_t seen = 0;
    XmlNode streamedRoot;
    const bool ok = ParseXmlElements(bytes, streamed, streamedRoot, [&](const XmlNode& top, size_t, const XmlNode& element) {
        if (top.name != root.name || seen >= expected.size() || !Same(element, *expected[seen])) __builtin_trap();
        ++seen;
    }, error);
    if (!ok || seen != expected.size() || streamedRoot.name != root.name) __builtin_trap();
    return 0;
}
