#include "util/HtmlText.h"

#include <cstdlib>
#include <new>
#include <unordered_set>
#include <vector>

#include <gumbo.h>

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// Gumbo's own clean-up walks the tree recursively; deep nesting could use up the stack.
// Every block it allocates is kept here instead and freed in one loop.
class Allocations {
public:
    ~Allocations()
    {
        for (void* p : live_) std::free(p);
    }
    static void* Allocate(void* self, size_t size)
    {
        void* p = std::malloc(size ? size : 1);
        if (!p) throw std::bad_alloc();
        static_cast<Allocations*>(self)->live_.insert(p);
        return p;
    }
    static void Free(void* self, void* p)
    {
        if (p && static_cast<Allocations*>(self)->live_.erase(p)) std::free(p);
    }

private:
    std::unordered_set<void*> live_;
};

bool IsSkipped(GumboTag tag) { return tag == GUMBO_TAG_SCRIPT || tag == GUMBO_TAG_STYLE || tag == GUMBO_TAG_TEMPLATE; }

// Whether the fragment has any element but `br` (or a comment): then it is real HTML.
bool HasMarkupBeyondBr(const GumboNode* root)
{
    std::vector<const GumboNode*> stack{root};
    while (!stack.empty()) {
        const GumboNode* node = stack.back();
        stack.pop_back();
        if (node->type == GUMBO_NODE_COMMENT) return true;
        if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE) continue;
        if (node != root && node->v.element.tag != GUMBO_TAG_BR) return true;
        const GumboVector& children = node->v.element.children;
        for (unsigned i = 0; i < children.length; ++i) stack.push_back(static_cast<const GumboNode*>(children.data[i]));
    }
    return false;
}

} // namespace

bool IsHtmlBlock(std::string_view name)
{
    static const char* const kBlocks[] = {"p",  "div", "li", "ul", "ol", "tr", "table", "h1", "h2",
                                          "h3", "h4",  "h5", "h6", "blockquote", "pre", "dd", "dt", "section"};
    for (const char* b : kBlocks)
        if (name == b) return true;
    return false;
}

void PlainTextBuilder::Text(std::string_view text)
{
    if (markup_ && pre_) {
        if (breaks_ && !out_.empty()) out_.append(breaks_, '\n');
        breaks_ = 0;
        space_ = false;
        out_.append(text.data(), text.size());
        return;
    }
    // A no-break space is a space in plain text.
    std::string spaced;
    for (size_t at = text.find("\xC2\xA0"); at != std::string_view::npos; at = text.find("\xC2\xA0")) {
        spaced.append(text.substr(0, at)) += ' ';
        text.remove_prefix(at + 2);
    }
    if (!spaced.empty()) {
        spaced.append(text);
        text = spaced;
    }
    if (!markup_) {
        out_.append(text.data(), text.size());
        return;
    }
    for (char c : text) {
        if (IsSpace(c)) {
            space_ = true;
            continue;
        }
        if (breaks_) {
            if (!out_.empty()) out_.append(breaks_, '\n');
            breaks_ = 0;
            space_ = false;
        } else if (space_ && !out_.empty() && out_.back() != '\n') {
            out_ += ' ';
        }
        space_ = false;
        out_ += c;
    }
}

void PlainTextBuilder::Break()
{
    if (!markup_) {
        out_ += '\n';
        return;
    }
    ++breaks_;
    space_ = false;
}

void PlainTextBuilder::Block()
{
    if (!markup_) return;
    if (!breaks_) breaks_ = 1;
    space_ = false;
}

std::string HtmlToPlainText(std::string_view html)
{
    // Nothing a parser would change: no markup, no reference, no CR, NUL or no-break space.
    // One pass over the bytes (find_first_of looks up each byte in the set with a call).
    bool plain = true;
    for (size_t i = 0; i < html.size() && plain; ++i) {
        const char c = html[i];
        plain = c != '<' && c != '&' && c != '\r' && c != '\0' &&
                !(c == '\xC2' && i + 1 < html.size() && html[i + 1] == '\xA0');
    }
    if (plain) return std::string(html);
    // Gumbo's time grows with the cube of the nesting depth (a run of unclosed <div>s), so
    // a long text is parsed in pieces of at most kTagsPerPiece tags, cut before a '<'.
    constexpr size_t kTagsPerPiece = 2000;
    std::vector<std::string_view> pieces;
    size_t start = 0, tags = 0;
    for (size_t at = html.find('<'); at != std::string_view::npos; at = html.find('<', at + 1)) {
        if (++tags <= kTagsPerPiece) continue;
        pieces.push_back(html.substr(start, at - start));
        start = at;
        tags = 1;
    }
    pieces.push_back(html.substr(start));

    Allocations allocations;
    GumboOptions options = kGumboDefaultOptions;
    options.allocator = Allocations::Allocate;
    options.deallocator = Allocations::Free;
    options.userdata = &allocations;
    options.max_errors = 0;
    // Parsed as the content of a body, so leading white space stays text.
    options.fragment_context = GUMBO_TAG_BODY;
    options.fragment_namespace = GUMBO_NAMESPACE_HTML;
    // The fragment's nodes are the children of the html element gumbo puts around them.
    std::vector<const GumboNode*> roots;
    bool markup = false;
    for (std::string_view piece : pieces) {
        roots.push_back(gumbo_parse_with_options(&options, piece.data(), piece.size())->root);
        markup = markup || HasMarkupBeyondBr(roots.back());
    }
    PlainTextBuilder out(markup);
    // Depth first, with an explicit stack: an element is visited, then its children, then
    // its end (for blocks).
    struct Step {
        const GumboNode* node;
        bool end;
    };
    std::vector<Step> stack;
    for (size_t r = roots.size(); r-- > 0;) stack.push_back({roots[r], false});
    while (!stack.empty()) {
        const Step step = stack.back();
        stack.pop_back();
        const GumboNode* node = step.node;
        switch (node->type) {
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_WHITESPACE:
        case GUMBO_NODE_CDATA: out.Text(node->v.text.text); break;
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE: {
            const GumboTag tag = node->v.element.tag;
            if (step.end) {
                if (tag == GUMBO_TAG_PRE) out.LeavePre();
                out.Block();
                break;
            }
            if (tag == GUMBO_TAG_BR) {
                out.Break();
                break;
            }
            if (IsSkipped(tag)) break;
            if (IsHtmlBlock(gumbo_normalized_tagname(tag))) {
                out.Block();
                if (tag == GUMBO_TAG_PRE) out.EnterPre();
                stack.push_back({node, true});
            }
            const GumboVector& children = node->v.element.children;
            for (unsigned i = children.length; i-- > 0;)
                stack.push_back({static_cast<const GumboNode*>(children.data[i]), false});
            break;
        }
        default: break;
        }
    }
    // No gumbo_destroy_output: the allocations are freed together.
    return out.Finish();
}
