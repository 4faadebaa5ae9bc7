#include <algorithm>
#include <memory>
#include <unordered_map>

#include "model/ModelDetail.h"

std::u16string NormalizeNewlinesToCRLF(const std::u16string& text)
{
    std::u16string out;
    out.reserve(text.size() + text.size() / 16);
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        char16_t c = text[i];
        if (c == u'\r') {
            out += u"\r\n";
            if (i + 1 < n && text[i + 1] == u'\n') ++i;
        } else if (c == u'\n') {
            out += u"\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::u16string DumpJsonForRawView(const json& document) { return s2wCrlf(DumpIndented(document, 2)); }

std::string DumpJsonForSave(const json& document)
{
    const std::string dump = DumpIndented(document, 2);
    std::string bytes;
    bytes.reserve(dump.size() + static_cast<size_t>(std::count(dump.begin(), dump.end(), '\n')));
    for (char c : dump) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    return bytes;
}

void AppendItemListing(std::string& out, const json& item)
{
    // Everything of the header is read before any of it is written.
    const std::string id = item.value("id", std::string());
    const std::string type = item.value("type", std::string());
    const std::string category = item.value("category", std::string());
    std::string outcomes[3];
    auto objectives = item.find("objectives");
    for (int k = 0; k < 3; ++k) {
        if (objectives != item.end() && objectives->is_object()) outcomes[k] = objectives->value(kOutcomes[k], std::string());
        if (outcomes[k].empty()) outcomes[k] = "<missing>";
    }
    out.append("[").append(id).append("]\r\nType: ").append(type).append("\r\nCategory: ").append(category);
    out.append("\r\nObjectives:\r\n");
    for (int k = 0; k < 3; ++k) out.append("  ").append(kOutcomes[k]).append(": ").append(outcomes[k]).append("\r\n");

    // The body follows the canonical type of a recognised spelling ("tf", "Multiple Choice").
    const std::string lower = NormalizeTypeString(type);
    if (lower == "multiple_choice" || lower == "true_false" || lower == "numerical") {
        const std::string question = item.value("question", std::string());
        out.append("\r\nQuestion:\r\n  ").append(question).append("\r\n");
        auto choices = item.find("choices");
        if (lower == "multiple_choice" && choices != item.end()) {
            out.append("\r\nChoices:\r\n");
            // Iterator key() throws for a scalar or a non-empty array, as for a bad value.
            for (auto it = choices->cbegin(); it != choices->cend(); ++it) {
                const std::string& key = it.key();
                const std::string& text = it.value().get_ref<const std::string&>();
                out.append("  ").append(key).append(") ").append(text).append("\r\n");
            }
        }
        auto answer = item.find("answer");
        auto correct = item.find("correct");
        if (answer != item.end())
            out.append("\r\nCorrect/Answer: ").append(JsonText(*answer)).append("\r\n");
        else if (correct != item.end())
            out.append("\r\nCorrect/Answer: ")
                .append(correct->is_string() ? correct->get<std::string>() : JsonText(*correct))
                .append("\r\n");
    } else if (lower == "algorithmic") {
        out.append("\r\n(Algorithmic item)\r\n");
        auto alg = item.find("algorithm");
        if (alg != item.end() && alg->is_object()) {
            static const std::pair<const char*, const char*> textLines[] = {
                {"render_as", "Render as: "}, {"template", "\r\nTemplate:\r\n  "},
                {"correct_formula", "\r\nFormula: "}, {"format", "Format: "}};
            static const std::pair<const char*, const char*> jsonLines[] = {
                {"choice_count", "Choice count: "}, {"parameters", "\r\nParameters: "},
                {"constants", "Constants: "}, {"distractors", "Distractors: "}};
            for (const auto& [key, prefix] : textLines) {
                auto v = alg->find(key);
                if (v != alg->end() && v->is_string()) out.append(prefix).append(v->get_ref<const std::string&>()).append("\r\n");
            }
            for (const auto& [key, prefix] : jsonLines) {
                auto v = alg->find(key);
                if (v != alg->end()) out.append(prefix).append(JsonText(*v)).append("\r\n");
            }
        }
    } else {
        out.append("\r\n(Unknown item type)\r\n");
    }
    out.append("\r\n----------------------------------------\r\n\r\n");
}

namespace {

// Numbers as a reader counts them: 5,250.
std::u16string Counted(size_t n) { return s2w(GroupedNumber(n)); }

// The item a note begins with ("Item [ID]", "Question #12", "Item #3"), or "".
std::u16string NoteLabel(const std::u16string& note)
{
    if (note.rfind(u"Item [", 0) == 0) {
        const size_t end = note.find(u']');
        return end == std::u16string::npos ? std::u16string() : note.substr(0, end + 1);
    }
    for (const char16_t* prefix : {u"Question #", u"Item #"}) {
        const std::u16string p = prefix;
        if (note.rfind(p, 0) != 0) continue;
        size_t end = p.size();
        while (end < note.size() && note[end] >= u'0' && note[end] <= u'9') ++end;
        return end > p.size() ? note.substr(0, end) : std::u16string();
    }
    return u"";
}

// A note with the item it names, every run of digits and every quoted or bracketed text
// ("an answer", [image: a.png]) as one mark: notes of one kind share it.
std::u16string NoteShape(const std::u16string& note)
{
    const char16_t mark = 0xFFFF; // a noncharacter: never in a note
    const std::u16string label = NoteLabel(note);
    std::u16string shape = label.empty() ? u"" : std::u16string(1, mark);
    for (size_t i = label.size(); i < note.size(); ++i) {
        const char16_t c = note[i];
        if (c >= u'0' && c <= u'9') {
            while (i + 1 < note.size() && note[i + 1] >= u'0' && note[i + 1] <= u'9') ++i;
            shape += mark;
            continue;
        }
        const size_t end = c == u'"' ? note.find(u'"', i + 1) : c == u'[' ? note.find(u']', i + 1) : std::u16string::npos;
        shape += c;
        if (end == std::u16string::npos) continue;
        shape += mark;
        shape += note[end];
        i = end;
    }
    return shape;
}

// The last word of a note (an ID it names), without the end stop.
std::u16string LastWord(const std::u16string& note)
{
    std::u16string text = note;
    while (!text.empty() && (text.back() == u'.' || text.back() == u' ')) text.pop_back();
    const size_t space = text.find_last_of(u' ');
    return space == std::u16string::npos ? text : text.substr(space + 1);
}

// Long notes wrapped at spaces so that the view needs no sideways scrolling.
void AppendWrapped(std::string& out, const std::u16string& note)
{
    const size_t width = 110;
    std::u16string rest = note;
    const char* prefix = " - ";
    while (rest.size() > width) {
        size_t cut = rest.rfind(u' ', width);
        if (cut == std::u16string::npos || cut < width / 2) cut = width;
        out.append(prefix).append(w2s(rest.substr(0, cut))).append("\r\n");
        rest.erase(0, cut < rest.size() && rest[cut] == u' ' ? cut + 1 : cut);
        prefix = "   ";
    }
    out.append(prefix).append(w2s(rest)).append("\r\n");
}

} // namespace

NoteList GroupRepeatedNotes(const NoteList& notes)
{
    // The kinds in the order they first appear, each with its notes.
    std::vector<std::pair<std::u16string, std::vector<size_t>>> kinds;
    std::unordered_map<std::u16string, size_t> kindOf;
    std::vector<size_t> kindOfNote(notes.size());
    for (size_t i = 0; i < notes.size(); ++i) {
        const std::u16string shape = NoteShape(notes[i]);
        auto found = kindOf.emplace(shape, kinds.size()).first;
        if (found->second == kinds.size()) kinds.push_back({shape, {}});
        kinds[found->second].second.push_back(i);
        kindOfNote[i] = found->second;
    }
    // A kind of fewer than three notes keeps them where they are; a larger one is one line
    // where it first appears.
    NoteList grouped;
    for (size_t i = 0; i < notes.size(); ++i) {
        const auto& [shape, members] = kinds[kindOfNote[i]];
        if (members.size() < 3) {
            grouped.push_back(notes[i]);
            continue;
        }
        if (members.front() != i) continue;
        const std::u16string& first = notes[members.front()];
        const std::u16string& last = notes[members.back()];
        if (shape == NoteShape(u"Item #1 had no usable \"id\"; assigned AUTO_1."))
            grouped.push_back(Counted(members.size()) + u" items had no usable \"id\": assigned " + LastWord(first) +
                              u" ... " + LastWord(last) + u".");
        else if (!NoteLabel(first).empty()) {
            // The count, the first items it names, then the first note whole.
            std::u16string line = Counted(members.size()) + u" notes like this one (";
            for (size_t k = 0; k < 3; ++k) line += (k ? u", " : u"") + NoteLabel(notes[members[k]]);
            if (members.size() > 3) line += u" and " + Counted(members.size() - 3) + u" more";
            grouped.push_back(line + u"): " + first);
        } else
            grouped.push_back(Counted(members.size()) + u" notes like this one, from the first to the last: " + first +
                              u" ... " + last);
    }
    return grouped;
}

std::string FormatNotesBlock(const NoteList& notes)
{
    std::string out;
    if (notes.empty()) return out;
    out.append("Validation notes (").append(std::to_string(notes.size())).append("):\r\n");
    const NoteList grouped = GroupRepeatedNotes(notes);
    const size_t shown = grouped.size() < 30 ? grouped.size() : 30;
    for (size_t i = 0; i < shown; ++i) AppendWrapped(out, grouped[i]);
    if (grouped.size() > 30) out.append(" - ... (").append(std::to_string(grouped.size() - 30)).append(" more)\r\n");
    return out.append("\r\n");
}

namespace {

using DomBuilder = nlohmann::detail::json_sax_dom_parser<json>;

// Renders the listing while the raw text is parsed, one item at a time, so the view never
// holds a second copy of the document. The result is what parsing the whole text and then
// rendering `items` gives: a syntax error anywhere wins over a rendering error, the last
// "items" key of the top-level object counts, and rendering stops at the first bad item.
class ListingBuilder : public nlohmann::json_sax<json> {
public:
    std::string listing;     // item blocks of the current "items" array
    std::string renderError; // message of the first item that could not be rendered
    std::string parseError;
    const std::string* text = nullptr; // what is parsed, for the place of a syntax error
    bool topIsObject = false;
    bool itemsIsArray = false;

    bool null() override { return item_ ? item_->null() : Scalar(nullptr); }
    bool boolean(bool v) override { return item_ ? item_->boolean(v) : Scalar(v); }
    bool number_integer(number_integer_t v) override { return item_ ? item_->number_integer(v) : Scalar(v); }
    bool number_unsigned(number_unsigned_t v) override { return item_ ? item_->number_unsigned(v) : Scalar(v); }
    bool number_float(number_float_t v, const string_t& s) override
    {
        return item_ ? item_->number_float(v, s) : Scalar(v);
    }
    bool string(string_t& v) override { return item_ ? item_->string(v) : Scalar(v); }
    bool binary(binary_t& v) override { return item_ ? item_->binary(v) : Scalar(json::binary(v)); }
    bool start_object(std::size_t len) override
    {
        if (depth_ >= kMaxJsonDepth) throw TooDeep();
        if (!item_ && depth_ == 0) topIsObject = true;
        StartContainer();
        ++depth_;
        return item_ ? item_->start_object(len) : true;
    }
    bool key(string_t& k) override
    {
        if (item_) return item_->key(k);
        if (depth_ == 1 && topIsObject) itemsKey_ = k == "items";
        return true;
    }
    bool end_object() override { return EndContainer(false); }
    bool start_array(std::size_t len) override
    {
        if (depth_ >= kMaxJsonDepth) throw TooDeep();
        if (!item_ && depth_ == 1 && topIsObject && itemsKey_) {
            inItems_ = true; // a new "items" array replaces what an earlier one rendered
            itemsIsArray = false;
            listing.clear();
            renderError.clear();
            ++depth_;
            return true;
        }
        StartContainer();
        ++depth_;
        return item_ ? item_->start_array(len) : true;
    }
    bool end_array() override
    {
        if (!item_ && inItems_ && depth_ == 2) {
            --depth_;
            inItems_ = false;
            itemsIsArray = true;
            return true;
        }
        return EndContainer(true);
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) override
    {
        parseError = text ? w2s(DescribeJsonError(e, *text)) : e.what();
        return false;
    }

private:
    bool ElementOfItems() const { return inItems_ && depth_ == 2; }

    // A value that is not a container, outside any item: an element of items (which
    // cannot be rendered) or the value of "items" itself.
    template <class T>
    bool Scalar(T&& v)
    {
        if (ElementOfItems()) Render(json(std::forward<T>(v)));
        else if (depth_ == 1 && topIsObject && itemsKey_) itemsIsArray = false;
        return true;
    }
    void StartContainer()
    {
        if (item_) return;
        if (ElementOfItems() && renderError.empty()) {
            itemValue_ = json();
            item_ = std::make_unique<DomBuilder>(itemValue_, true);
            itemDepth_ = depth_;
        } else if (depth_ == 1 && topIsObject && itemsKey_) {
            itemsIsArray = false; // "items" holds an object
        }
    }
    bool EndContainer(bool array)
    {
        --depth_;
        if (!item_) return true;
        const bool ok = array ? item_->end_array() : item_->end_object();
        if (depth_ == itemDepth_) {
            item_.reset();
            Render(itemValue_);
            itemValue_ = json();
        }
        return ok;
    }
    void Render(const json& item)
    {
        if (!renderError.empty()) return;
        try {
            AppendItemListing(listing, item); // a failure leaves the block written so far
        } catch (const std::exception& e) {
            renderError = e.what();
        }
    }

    std::unique_ptr<DomBuilder> item_;
    json itemValue_;
    size_t depth_ = 0;
    size_t itemDepth_ = 0;
    bool itemsKey_ = false;
    bool inItems_ = false;
};

} // namespace

std::string FormatTestbankListing(const std::string& utf8, const NoteList& notes)
{
    ListingBuilder builder;
    builder.text = &utf8;
    try {
        if (json::sax_parse(utf8, &builder, json::input_format_t::json, true, true)) RejectNulByte(utf8);
    } catch (const std::exception& e) {
        builder.parseError = w2s(DescribeJsonError(e, utf8));
    }
    // The library quotes the bytes it stopped at, which need not be valid UTF-8.
    if (!builder.parseError.empty()) return "JSON parse error: " + w2s(s2w(builder.parseError)) + "\r\n";
    if (!builder.topIsObject || !builder.itemsIsArray) return "Invalid testbank JSON: missing \"items\" array.\r\n";
    std::string out = std::move(builder.listing);
    out.insert(0, FormatNotesBlock(notes));
    if (!builder.renderError.empty()) out.append("JSON parse error: ").append(builder.renderError).append("\r\n");
    return out;
}

std::string FormatDocumentListing(const json& document, const NoteList& notes)
{
    if (!HasArray(document, "items")) return "Invalid testbank JSON: missing \"items\" array.\r\n";
    std::string out = FormatNotesBlock(notes);
    for (const json& item : document["items"]) {
        try {
            AppendItemListing(out, item);
        } catch (const std::exception& e) {
            return out.append("JSON parse error: ").append(e.what()).append("\r\n");
        }
    }
    return out;
}

std::u16string FormatCurrentListing()
{
    if (RawTextEdited()) return FormatTestbankJson(g_rawJsonText);
    EnsureNotesCurrent();
    return s2w(FormatDocumentListing(g_jsonDoc, g_validationWarnings));
}

std::u16string FormatTestbankJson(const std::u16string& rawText)
{
    // The UTF-8 copy of the raw text is gone before the listing is widened: on a large
    // bank this is the moment of peak memory.
    const std::string listing = FormatTestbankListing(w2s(rawText), g_validationWarnings);
    return s2w(listing);
}

std::string ItemTypeDisplayName(const std::string& code)
{
    if (code == "multiple_choice") return "Multiple choice";
    if (code == "true_false") return "True/False";
    if (code == "numerical") return "Numerical";
    if (code == "algorithmic") return "Algorithmic";
    return code;
}
