#include "util/XmlReader.h"

#include <climits>
#include <exception>
#include <random>

#include <expat.h>

#include "util/StringUtil.h"

namespace {

std::string_view LocalName(const char* name)
{
    const std::string_view n(name);
    const size_t colon = n.rfind(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

// Buffers of dropped records kept for the next record, which is mostly of the same shape:
// vectors by their capacity (a power of two), strings as they come. A few thousand of each
// at most, so a huge record leaves no more behind than a small one.
class Spares {
    static constexpr size_t kBuckets = 12, kMost = 4096, kShortText = 15, kLongText = 64 << 10;

public:
    template <typename T>
    std::vector<T> Take(size_t n, std::vector<std::vector<T>> (&buckets)[kBuckets])
    {
        const size_t b = Bucket(n);
        std::vector<T> out;
        if (b < kBuckets && !buckets[b].empty()) {
            out = std::move(buckets[b].back());
            buckets[b].pop_back();
        } else {
            out.reserve(b < kBuckets ? size_t(1) << b : n);
        }
        return out;
    }
    template <typename T>
    void Keep(std::vector<T>&& v, std::vector<std::vector<T>> (&buckets)[kBuckets])
    {
        v.clear();
        const size_t b = Bucket(v.capacity());
        if (v.capacity() == size_t(1) << b && b < kBuckets && buckets[b].size() < kMost) buckets[b].push_back(std::move(v));
    }
    std::vector<XmlNode> TakeChildren(size_t n) { return Take(n, children_); }
    std::vector<std::pair<std::string, std::string>> TakeAttributes(size_t n) { return Take(n, attributes_); }
    void TakeText(std::string& text)
    {
        if (texts_.empty()) return;
        text = std::move(texts_.back());
        texts_.pop_back();
    }
    // The node's buffers and its children's, the node left empty.
    void Keep(XmlNode& node)
    {
        for (XmlNode& child : node.children) Keep(child);
        if (node.children.capacity()) Keep(std::move(node.children), children_);
        if (node.attributes.capacity()) Keep(std::move(node.attributes), attributes_);
        if (node.text.capacity() > kShortText && node.text.capacity() <= kLongText && texts_.size() < kMost)
            texts_.push_back(std::move(node.text));
    }

private:
    std::vector<std::vector<XmlNode>> children_[kBuckets];
    std::vector<std::vector<std::pair<std::string, std::string>>> attributes_[kBuckets];
    std::vector<std::string> texts_;

    // The smallest b with n <= 2^b.
    static size_t Bucket(size_t n)
    {
        size_t b = 0;
        while ((size_t(1) << b) < n && b < 63) ++b;
        return b;
    }
};

// Builds the tree from expat's events; refusals of our own stop the parser with a reason.
// The nodes of open elements wait in one list in document order and go into their parent
// when it ends, into a vector of their exact number: a question's few dozen nodes cost a
// few allocations, not one vector growing child by child.
class TreeBuilder {
public:
    TreeBuilder(XML_Parser parser, XmlNode& root) : parser_(parser), root_(root) {}

    std::string refusal; // set when we stopped the parser
    bool rootOnly = false; // stop at the root's start tag (XmlRootName)
    const XmlElementVisitor* each = nullptr; // hand on and drop the elements named `streamed`
    std::string_view streamed;
    std::exception_ptr thrown; // by `each`, carried past expat's C frames

    static void XMLCALL Start(void* self, const char* name, const char** attributes)
    {
        static_cast<TreeBuilder*>(self)->OnStart(name, attributes);
    }
    static void XMLCALL End(void* self, const char*) { static_cast<TreeBuilder*>(self)->OnEnd(); }
    static void XMLCALL Characters(void* self, const char* s, int length)
    {
        auto& builder = *static_cast<TreeBuilder*>(self);
        if (builder.each && !builder.streamedOpen_) return; // outside the records nothing is read
        if (builder.text_.size() + static_cast<size_t>(length) > kMaxXmlText) {
            builder.Refuse("a text of more than " + std::to_string(kMaxXmlText >> 20) +
                           " MB in one element, more than one import reads");
            return;
        }
        builder.text_.append(s, static_cast<size_t>(length));
    }
    static void XMLCALL Doctype(void* self, const char*, const char*, const char*, int internalSubset)
    {
        // An internal subset could declare entities that expand without bound.
        if (internalSubset)
            static_cast<TreeBuilder*>(self)->Refuse(
                "the document type declares its own entities or elements, which are not read");
    }
    static void XMLCALL Entity(void* self, const char*, int, const char*, int, const char*, const char*, const char*,
                               const char*)
    {
        static_cast<TreeBuilder*>(self)->Refuse("the document declares an entity, which is not read");
    }
    static void XMLCALL Skipped(void* self, const char* name, int)
    {
        static_cast<TreeBuilder*>(self)->Refuse("the entity &" + std::string(name) +
                                                "; is not defined (only the five of XML are)");
    }

private:
    XML_Parser parser_;
    XmlNode& root_;
    std::vector<XmlNode> pending_; // open elements, each followed by its children so far
    std::vector<size_t> open_;     // where each open element stands in pending_
    std::string text_;
    Spares spares_;
    bool haveRoot_ = false;
    size_t nodes_ = 0, total_ = 0; // held in the tree; read in all
    size_t nodesBeforeStreamed_ = 0;
    size_t streamedOpen_ = 0; // open_.size() while a streamed element is open, else 0

    // `streamed` ending in '*' names every element that starts so ("QUESTION_*").
    bool Streams(std::string_view local) const
    {
        if (!streamed.empty() && streamed.back() == '*')
            return local.substr(0, streamed.size() - 1) == streamed.substr(0, streamed.size() - 1);
        return local == streamed;
    }

    void Refuse(const std::string& why)
    {
        if (refusal.empty()) refusal = why;
        XML_StopParser(parser_, XML_FALSE);
    }

    // Each node costs its tree a hundred bytes and more: a file of empty elements would
    // take gigabytes long before any other limit. Streamed elements are dropped, so only
    // their number in all is bounded (by time).
    bool Count()
    {
        ++total_;
        if (++nodes_ > kMaxXmlNodes) {
            Refuse("more than " + GroupedNumber(kMaxXmlNodes) + " elements and texts, more than one import reads");
            return false;
        }
        if (total_ > kMaxXmlStreamedNodes) {
            Refuse("more than " + GroupedNumber(kMaxXmlStreamedNodes) + " elements and texts, more than one import reads");
            return false;
        }
        return true;
    }

    void Flush()
    {
        if (text_.empty() || open_.empty() || !Count()) return;
        // Copied, not moved: the buffer stays for the next text.
        std::string& text = pending_.emplace_back().text;
        if (text_.size() > 15) spares_.TakeText(text);
        text.assign(text_);
        text_.clear();
    }

    void OnStart(const char* name, const char** attributes)
    {
        if (!refusal.empty()) return;
        if (open_.size() >= kMaxXmlDepth) {
            Refuse("elements nested deeper than " + std::to_string(kMaxXmlDepth) + " levels");
            return;
        }
        Flush();
        const std::string_view local = LocalName(name);
        if (each && haveRoot_ && !streamedOpen_ && Streams(local)) {
            nodesBeforeStreamed_ = nodes_;
            streamedOpen_ = open_.size() + 1;
        }
        if (!Count()) return;
        XmlNode& element = pending_.emplace_back();
        element.name.assign(local);
        size_t count = 0;
        while (attributes[count] && attributes[count + 1]) count += 2;
        if (count) element.attributes = spares_.TakeAttributes(count / 2);
        for (size_t i = 0; i < count; i += 2) {
            const std::string_view raw(attributes[i]);
            if (raw == "xmlns" || raw.compare(0, 6, "xmlns:") == 0) continue;
            element.attributes.emplace_back(LocalName(attributes[i]), attributes[i + 1]);
        }
        // The root's name and attributes are there for `each` while the rest is read.
        if (!haveRoot_) {
            root_.name = element.name;
            root_.attributes = element.attributes;
            haveRoot_ = true;
        }
        open_.push_back(pending_.size() - 1);
        if (rootOnly) XML_StopParser(parser_, XML_FALSE);
    }

    void OnEnd()
    {
        if (!refusal.empty() || open_.empty()) return;
        Flush();
        const size_t at = open_.back();
        XmlNode& element = pending_[at];
        if (const size_t n = pending_.size() - at - 1) {
            element.children = spares_.TakeChildren(n);
            for (size_t i = at + 1; i < pending_.size(); ++i) element.children.push_back(std::move(pending_[i]));
            pending_.resize(at + 1);
        }
        if (streamedOpen_ && open_.size() == streamedOpen_) {
            try {
                (*each)(root_, open_.size() - 1, element);
            } catch (...) {
                thrown = std::current_exception();
                Refuse("stopped");
            }
            spares_.Keep(pending_.back());
            pending_.pop_back();
            nodes_ = nodesBeforeStreamed_;
            streamedOpen_ = 0;
        }
        open_.pop_back();
        if (open_.empty() && !pending_.empty()) {
            root_ = std::move(pending_.back());
            pending_.clear();
        }
    }
};

// The scope standing on this thread (a plain pointer: thread-local objects with destructors
// are not safe on every platform we build for).
thread_local XmlParserScope* currentScope = nullptr;

} // namespace

// The scope's parser, reset, when a scope stands and no other parse uses it; else a parser of
// its own. A parser that read a large document is not kept (expat keeps its buffers).
class ParserLease {
public:
    explicit ParserLease(size_t bytes) : scope_(currentScope), keep_(bytes <= kKeptAfter)
    {
        if (scope_ && !scope_->busy_) {
            if (scope_->parser_ && XML_ParserReset(static_cast<XML_Parser>(scope_->parser_), nullptr)) {
                parser_ = static_cast<XML_Parser>(scope_->parser_);
            } else {
                if (scope_->parser_) XML_ParserFree(static_cast<XML_Parser>(scope_->parser_));
                scope_->parser_ = parser_ = XML_ParserCreate(nullptr);
            }
            scope_->busy_ = true;
            if (parser_) XML_SetHashSalt(parser_, scope_->salt_);
        } else {
            scope_ = nullptr;
            parser_ = XML_ParserCreate(nullptr);
        }
    }
    ~ParserLease()
    {
        if (!scope_) {
            if (parser_) XML_ParserFree(parser_);
            return;
        }
        scope_->busy_ = false;
        if (!keep_ && parser_) {
            XML_ParserFree(parser_);
            scope_->parser_ = nullptr;
        }
    }
    ParserLease(const ParserLease&) = delete;
    ParserLease& operator=(const ParserLease&) = delete;
    XML_Parser get() const { return parser_; }

private:
    static constexpr size_t kKeptAfter = 1 << 20;
    XmlParserScope* scope_;
    XML_Parser parser_ = nullptr;
    bool keep_;
};

namespace {

// Runs expat over the bytes; false with the reason and the line when it stops early.
bool Run(std::string_view bytes, XmlNode& root, bool rootOnly, std::string& error,
         const XmlElementVisitor* each = nullptr, std::string_view streamed = {})
{
    const ParserLease lease(bytes.size());
    XML_Parser parser = lease.get();
    if (!parser) {
        error = "Out of memory while reading the XML.";
        return false;
    }
    TreeBuilder builder(parser, root);
    builder.rootOnly = rootOnly;
    builder.each = each;
    builder.streamed = streamed;
    XML_SetUserData(parser, &builder);
    XML_SetElementHandler(parser, TreeBuilder::Start, TreeBuilder::End);
    XML_SetCharacterDataHandler(parser, TreeBuilder::Characters);
    // Only a look at the root's name reads past a document type (and stops at the root).
    if (!rootOnly) {
        XML_SetStartDoctypeDeclHandler(parser, TreeBuilder::Doctype);
        XML_SetEntityDeclHandler(parser, TreeBuilder::Entity);
        XML_SetSkippedEntityHandler(parser, TreeBuilder::Skipped);
    }
    // Never an external DTD or parameter entity, whatever the document asks for.
    XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_Status status = XML_STATUS_OK;
    constexpr size_t kChunk = 1 << 20;
    size_t at = 0;
    do {
        const size_t n = std::min(kChunk, bytes.size() - at);
        const bool last = at + n == bytes.size();
        status = XML_Parse(parser, bytes.data() + at, static_cast<int>(n), last);
        at += n;
    } while (status == XML_STATUS_OK && at < bytes.size());
    bool ok = status == XML_STATUS_OK;
    if (!ok && !(rootOnly && builder.refusal.empty() && XML_GetErrorCode(parser) == XML_ERROR_ABORTED)) {
        const std::string why = builder.refusal.empty() ? XML_ErrorString(XML_GetErrorCode(parser)) : builder.refusal;
        error = "XML error on line " + std::to_string(XML_GetCurrentLineNumber(parser)) + ": " + why + ".";
    }
    if (rootOnly) ok = !root.name.empty();
    if (builder.thrown) std::rethrow_exception(builder.thrown);
    return ok;
}

} // namespace

XmlParserScope::XmlParserScope() : outer_(currentScope)
{
    try {
        std::random_device random;
        salt_ = (static_cast<unsigned long>(random()) << 16) ^ random();
    } catch (const std::exception&) { // no entropy to be had: expat draws its own per document
    }
    currentScope = this;
}

XmlParserScope::~XmlParserScope()
{
    currentScope = outer_;
    if (parser_) XML_ParserFree(static_cast<XML_Parser>(parser_));
}

const XmlNode* XmlNode::Child(std::string_view childName) const
{
    for (const XmlNode& child : children)
        if (child.name == childName) return &child;
    return nullptr;
}

std::vector<const XmlNode*> XmlNode::Children(std::string_view childName) const
{
    std::vector<const XmlNode*> out;
    for (const XmlNode& child : children)
        if (child.name == childName) out.push_back(&child);
    return out;
}

const XmlNode* XmlNode::Find(std::string_view descendant) const
{
    for (const XmlNode& child : children) {
        if (child.IsText()) continue;
        if (child.name == descendant) return &child;
        if (const XmlNode* found = child.Find(descendant)) return found;
    }
    return nullptr;
}

void XmlNode::FindAll(std::string_view descendant, std::vector<const XmlNode*>& out) const
{
    for (const XmlNode& child : children) {
        if (child.IsText()) continue;
        if (child.name == descendant) out.push_back(&child);
        else child.FindAll(descendant, out);
    }
}

std::string XmlNode::Attribute(std::string_view attributeName) const
{
    for (const auto& [key, value] : attributes)
        if (key == attributeName) return value;
    return "";
}

std::string XmlNode::Text() const
{
    if (IsText()) return text;
    if (children.size() == 1 && children[0].IsText()) return children[0].text;
    std::string out;
    for (const XmlNode& child : children) out += child.Text();
    return out;
}

std::string XmlNode::ChildText(std::string_view childName) const
{
    const XmlNode* child = Child(childName);
    return child ? child->Text() : std::string();
}

bool ParseXml(std::string_view bytes, XmlNode& root, std::string& error)
{
    root = XmlNode{};
    std::string why;
    if (!Run(bytes, root, false, why)) {
        error = why;
        root = XmlNode{};
        return false;
    }
    return true;
}

bool ParseXmlElements(std::string_view bytes, std::string_view name, XmlNode& root, const XmlElementVisitor& each,
                      std::string& error)
{
    root = XmlNode{};
    std::string why;
    if (!Run(bytes, root, false, why, &each, name)) {
        error = why;
        root = XmlNode{};
        return false;
    }
    return true;
}

std::string XmlRootName(std::string_view bytes)
{
    XmlNode root;
    std::string error;
    return Run(bytes, root, true, error) ? root.name : std::string();
}

std::string XhtmlToPlainText(const XmlNode& node)
{
    struct Walk {
        static bool BeyondBr(const XmlNode& n)
        {
            for (const XmlNode& child : n.children)
                if (!child.IsText() && (child.name != "br" || BeyondBr(child))) return true;
            return false;
        }
        static void Collect(const XmlNode& n, PlainTextBuilder& out)
        {
            for (const XmlNode& child : n.children) {
                if (child.IsText()) out.Text(child.text);
                else if (child.name == "br") out.Break();
                else if (child.name == "script" || child.name == "style") continue;
                else {
                    const bool block = IsHtmlBlock(child.name), pre = child.name == "pre";
                    if (block) out.Block();
                    if (pre) out.EnterPre();
                    Collect(child, out);
                    if (pre) out.LeavePre();
                    if (block) out.Block();
                }
            }
        }
    };
    PlainTextBuilder out(Walk::BeyondBr(node));
    Walk::Collect(node, out);
    return out.Finish();
}
