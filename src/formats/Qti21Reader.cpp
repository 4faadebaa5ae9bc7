#include "formats/ImportFormats.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "model/JsonModel.h"
#include "util/XmlReader.h"
#include "util/Zip.h"

namespace {

bool IsInteraction(const XmlNode& node)
{
    return node.name.size() > 11 && node.name.compare(node.name.size() - 11, 11, "Interaction") == 0;
}

void FindInteractions(const XmlNode& node, std::vector<const XmlNode*>& out)
{
    for (const XmlNode& child : node.children) {
        if (child.IsText()) continue;
        if (IsInteraction(child)) out.push_back(&child);
        else FindInteractions(child, out);
    }
}

bool IsFeedback(const XmlNode& node)
{
    return node.name == "feedbackInline" || node.name == "feedbackBlock" || node.name == "modalFeedback";
}

// The body as it reads: an inline blank as "_____" in its sentence, a block interaction
// replaced by its prompt, feedback (shown only after answering) left out.
XmlNode Readable(const XmlNode& node)
{
    XmlNode copy;
    copy.name = node.name;
    copy.attributes = node.attributes;
    for (const XmlNode& child : node.children) {
        if (child.IsText()) {
            copy.children.push_back(child);
        } else if (IsFeedback(child)) {
            continue;
        } else if (child.name == "textEntryInteraction" || child.name == "inlineChoiceInteraction" ||
                   child.name == "endAttemptInteraction") {
            XmlNode blank;
            blank.text = child.name == "endAttemptInteraction" ? "" : "_____";
            blank.attributes.emplace_back("blank", "");
            copy.children.push_back(std::move(blank));
        } else if (IsInteraction(child)) {
            if (const XmlNode* prompt = child.Child("prompt")) {
                XmlNode block = Readable(*prompt);
                block.name = "div";
                copy.children.push_back(std::move(block));
            }
        } else {
            copy.children.push_back(Readable(child));
        }
    }
    // A blank alone in its block is the answer box under the question, not a gap in it.
    bool alone = true;
    for (const XmlNode& child : copy.children)
        if (!child.IsText() || (child.attributes.empty() && !TrimText(child.text).empty())) alone = false;
    if (alone)
        for (XmlNode& child : copy.children)
            if (child.IsText() && !child.attributes.empty()) child.text.clear();
    return copy;
}

std::string BodyText(const XmlNode& body, std::vector<std::string>& lost)
{
    return TrimText(XhtmlToPlainText(PlaceholderTree(Readable(body), lost)));
}

std::string KindOfInteraction(const std::string& name)
{
    if (name == "matchInteraction" || name == "associateInteraction" || name == "gapMatchInteraction")
        return "matching";
    if (name == "extendedTextInteraction" || name == "uploadInteraction") return "essay";
    if (name == "orderInteraction") return "ordering";
    return name;
}

// A manifest keyword "MLO: text" is an objective; others are tags.
void ReadKeywords(const XmlNode& resource, std::vector<std::pair<std::string, std::string>>& objectives, json& tags)
{
    std::vector<const XmlNode*> keywords;
    resource.FindAll("keyword", keywords);
    for (const XmlNode* keyword : keywords) {
        const std::string text = TrimText(keyword->Text());
        std::pair<std::string, std::string> objective;
        if (ObjectiveFromTag(text, objective)) objectives.push_back(objective);
        else if (!text.empty()) tags.push_back(text);
    }
}

std::string Folder(const std::string& href)
{
    const size_t slash = href.find_last_of("/\\");
    return slash == std::string::npos ? "" : href.substr(0, slash + 1);
}

// "tests/../items/a.xml" -> "items/a.xml": tests often name their items from their own folder.
std::string Resolved(const std::string& path)
{
    std::vector<std::string> parts(1);
    for (char c : path) {
        if (c == '/' || c == '\\') parts.emplace_back();
        else parts.back() += c;
    }
    std::vector<std::string> kept;
    for (const std::string& part : parts) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!kept.empty()) kept.pop_back();
        } else {
            kept.push_back(part);
        }
    }
    std::string out;
    for (const std::string& part : kept) out += (out.empty() ? "" : "/") + part;
    return out;
}

// A section kept in a file of its own (assessmentSectionRef), parsed; false when it cannot be.
using SectionFile = std::function<bool(const std::string& file, XmlNode& section)>;

// The section titles of a test, by the item files they hold.
void ReadSections(const XmlNode& node, const std::string& base, const std::string& title,
                  std::vector<std::pair<std::string, std::string>>& categories, const SectionFile& sectionFile,
                  int depth = 0)
{
    for (const XmlNode& child : node.children) {
        if (child.IsText()) continue;
        if (child.name == "assessmentItemRef") {
            categories.emplace_back(Resolved(base + child.Attribute("href")), title);
        } else if (child.name == "assessmentSectionRef" && depth < 8) {
            const std::string file = Resolved(base + child.Attribute("href"));
            XmlNode section;
            if (sectionFile(file, section))
                ReadSections(section, Folder(file), section.Attribute("title").empty() ? title : section.Attribute("title"),
                             categories, sectionFile, depth + 1);
        } else {
            const std::string inner = child.name == "assessmentSection" ? child.Attribute("title") : title;
            ReadSections(child, base, inner, categories, sectionFile, depth);
        }
    }
}


// A choice interaction's choices and key (two choices True and False: a true/false
// question); false when it takes several answers.
bool ReadChoiceInteraction(const XmlNode& interaction, const XmlNode* declaration,
                           const std::vector<std::string>& values, ImportedQuestion& q, std::vector<std::string>& lost)
{
    const std::string cardinality = declaration ? declaration->Attribute("cardinality") : "single";
    const std::string maxChoices = interaction.Attribute("maxChoices");
    if (cardinality == "multiple" || (!maxChoices.empty() && maxChoices != "1") || values.size() > 1) return false;
    for (const XmlNode* choice : interaction.Children("simpleChoice")) {
        if (!values.empty() && choice->Attribute("identifier") == values[0]) q.correct = q.choices.size();
        q.choices.push_back(TrimText(XhtmlToPlainText(PlaceholderTree(Readable(*choice), lost))));
    }
    q.answerGiven = values.empty() ? std::string("(none)") : values[0];
    if (q.choices.size() == 2 && q.correct < 2) {
        const std::string a = ToLowerAscii(TrimText(q.choices[0])), b = ToLowerAscii(TrimText(q.choices[1]));
        if ((a == "true" && b == "false") || (a == "false" && b == "true")) {
            q.kind = ImportedQuestion::TrueFalse;
            q.truth = ToLowerAscii(TrimText(q.choices[q.correct])) == "true";
            q.choices.clear();
        }
    }
    if (q.kind == ImportedQuestion::Choice && interaction.Attribute("shuffle") == "true") q.extra["shuffle"] = true;
    return true;
}

// A text entry's answer: the correct response, else the mapped answer worth most.
void ReadTextEntry(const XmlNode* declaration, const std::vector<std::string>& values, ImportedQuestion& q,
                   const std::string& label, ImportResult& result)
{
    q.kind = ImportedQuestion::Answer;
    if (!values.empty()) {
        q.answer = values[0];
    } else if (declaration) {
        double best = 0;
        std::vector<const XmlNode*> entries;
        declaration->FindAll("mapEntry", entries);
        for (const XmlNode* entry : entries) {
            const double value = std::strtod(entry->Attribute("mappedValue").c_str(), nullptr);
            if (value > best) best = value, q.answer = entry->Attribute("mapKey");
        }
    }
    if (q.answer.empty()) result.notes.push_back(label + " names no correct answer; its answer is left empty.");
    else if (declaration && declaration->Attribute("baseType") == "float") q.answerValue = NumberAnswer(q.answer);
}

} // namespace

bool ReadQti21Item(std::string_view bytes, const std::string& category, const std::string& id,
                   std::vector<std::pair<std::string, std::string>> objectives, ImportResult& result,
                   std::string& error)
{
    XmlNode root;
    std::string converted;
    if (!ParseXml(XmlAsUtf8(bytes, converted), root, error)) return false;
    if (root.name != "assessmentItem") {
        error = "A QTI 2 item file has <" + root.name + "> where <assessmentItem> belongs.";
        return false;
    }
    ImportedQuestion q;
    q.id = TrimText(id);
    const std::string title = TrimText(root.Attribute("title"));
    if (q.id.empty()) q.id = !title.empty() ? title : TrimText(root.Attribute("identifier"));
    if (!title.empty() && title != q.id) q.extra["title"] = title;
    q.category = category == "Uncategorized" ? std::string() : category;
    q.objectives = std::move(objectives);
    const std::string label = result.Label(q.id);
    const XmlNode* body = root.Child("itemBody");
    std::vector<const XmlNode*> interactions;
    if (body) FindInteractions(*body, interactions);
    if (interactions.size() != 1) {
        result.LeaveOut(interactions.empty() ? "without interaction" : "composite", label);
        return true;
    }
    const XmlNode& interaction = *interactions[0];
    const XmlNode* declaration = nullptr;
    for (const XmlNode* d : root.Children("responseDeclaration"))
        if (d->Attribute("identifier") == interaction.Attribute("responseIdentifier")) declaration = d;
    std::vector<std::string> values;
    if (declaration)
        if (const XmlNode* correct = declaration->Child("correctResponse"))
            for (const XmlNode* value : correct->Children("value")) values.push_back(TrimText(value->Text()));
    std::vector<std::string> lost;
    q.stem = BodyText(*body, lost);
    if (interaction.name == "choiceInteraction") {
        if (!ReadChoiceInteraction(interaction, declaration, values, q, lost)) {
            result.LeaveOut("multiple-answer", label);
            return true;
        }
    } else if (interaction.name == "textEntryInteraction") {
        ReadTextEntry(declaration, values, q, label, result);
    } else {
        result.LeaveOut(KindOfInteraction(interaction.name), label);
        return true;
    }
    for (const std::string& change : lost) result.notes.push_back(label + ": " + change);
    result.Add(std::move(q));
    return true;
}

namespace {

// Its href, its first file's, or the file Blackboard names with bb:file.
std::string ResourceHref(const XmlNode& resource)
{
    std::string h = resource.Attribute("href");
    if (h.empty())
        if (const XmlNode* file = resource.Child("file")) h = file->Attribute("href");
    if (h.empty()) h = resource.Attribute("file");
    return h;
}

// An item file to read, with what the manifest and the test say of it.
struct ItemJob {
    std::string file, category, id;
    std::vector<std::pair<std::string, std::string>> objectives;
    json tags = json::array();
};

// The manifest's QTI 2 item resource: its ID and keywords from the metadata (its category
// comes from the test's section).
ItemJob ResourceJob(const XmlNode& resource)
{
    ItemJob job;
    job.file = ResourceHref(resource);
    if (const XmlNode* identifier = resource.Find("identifier"))
        job.id = TrimText(identifier->Child("entry") ? identifier->ChildText("entry") : identifier->Text());
    ReadKeywords(resource, job.objectives, job.tags);
    return job;
}

bool ReadJobItem(ItemJob& job, std::string_view item, ImportResult& result, std::string& error)
{
    const size_t before = result.items.size();
    if (!ReadQti21Item(item, job.category, job.id, std::move(job.objectives), result, error)) {
        error = job.file + ": " + error;
        return false;
    }
    if (!job.tags.empty() && result.items.size() > before) result.items.back()["tags"] = std::move(job.tags);
    return true;
}

// The item files of a package read on two threads: each item is parsed on its own into a
// part of the result, and the parts join in the manifest's order, so the result, the notes
// and the first error are what one thread reading them in turn would give. The files
// themselves are read one at a time in that order (the package's reader is not shared).
bool ReadItemJobs(PackageFiles& files, std::vector<ItemJob>& jobs, ImportResult& result, std::string& error)
{
    struct Part {
        ImportResult result;
        std::string error;
        std::exception_ptr thrown;
        bool failed = false;
    };
    const size_t n = jobs.size();
    std::vector<Part> parts(n);
    std::atomic<size_t> next{0}, stop{n};
    std::mutex gate;
    std::condition_variable turned;
    size_t turn = 0; // the job whose file is read next
    auto fail = [&](size_t k) {
        for (size_t s = stop.load(); k < s && !stop.compare_exchange_weak(s, k);) {}
        std::lock_guard<std::mutex> lock(gate); // wakes a reader waiting for a later turn
        turned.notify_all();
    };
    auto work = [&] {
        const XmlParserScope parsers; // tens of thousands of small files
        std::string item;
        for (size_t k; (k = next++) < stop.load();) {
            Part& part = parts[k];
            part.result.read = result.read + k; // each item read counts one, kept or left out
            bool ok = false;
            try {
                {
                    std::unique_lock<std::mutex> lock(gate);
                    turned.wait(lock, [&] { return turn == k || stop.load() <= k; });
                    if (stop.load() <= k) return;
                    ok = files.Read(jobs[k].file, item, part.error);
                    turn = k + 1;
                }
                turned.notify_all();
                ok = ok && ReadJobItem(jobs[k], item, part.result, part.error);
            } catch (...) {
                part.thrown = std::current_exception();
                ok = false;
            }
            if (!ok) {
                part.failed = true;
                fail(k);
            }
        }
    };
    std::thread second;
    if (n >= 64) {
        try {
            second = std::thread(work);
        } catch (const std::system_error&) {
        } // no thread to be had: this one reads them all
    }
    try {
        work();
    } catch (...) { // only the gate's lock could throw: stop the other before leaving
        fail(0);
        if (second.joinable()) second.join();
        throw;
    }
    if (second.joinable()) second.join();
    for (Part& part : parts) {
        if (part.thrown) std::rethrow_exception(part.thrown);
        if (part.failed) {
            error = std::move(part.error);
            return false;
        }
        for (json& item : part.result.items) result.items.push_back(std::move(item));
        for (std::string& note : part.result.notes) result.notes.push_back(std::move(note));
        for (const auto& [kind, count] : part.result.leftOut) result.leftOut[kind] += count;
        result.read = part.result.read;
    }
    return true;
}

bool IsQti1Resource(const std::string& type)
{
    return type.find("imsqti") != std::string::npos &&
           (type.find("xmlv1p2") != std::string::npos || type.find("xmlv1p1") != std::string::npos ||
            type.find("xmlv1p0") != std::string::npos);
}

} // namespace

bool ReadQtiPackage(PackageFiles& files, ImportResult& result, std::string& error)
{
    std::string bytes;
    if (!files.Read("imsmanifest.xml", bytes, error)) return false;
    // Read resource by resource: the manifest of tens of thousands of items would stand as
    // a tree of a million nodes.
    enum class Kind { Other, Item, Test, Qti1, BbPool };
    struct Resource {
        std::string type;
        Kind kind = Kind::Other;
        ItemJob job;         // its file; for an item, what the manifest says of it
        std::string content; // a file read to tell what it is, kept for its reading
    };
    std::vector<Resource> resources;
    XmlNode manifest;
    const bool parsed = ParseXmlElements(
        bytes, "resource", manifest,
        [&](const XmlNode&, size_t, const XmlNode& resource) {
            Resource& r = resources.emplace_back();
            r.type = resource.Attribute("type");
            if (r.type.compare(0, 18, "imsqti_item_xmlv2p") == 0) r.kind = Kind::Item, r.job = ResourceJob(resource);
            else r.job.file = ResourceHref(resource);
            if (r.type.compare(0, 18, "imsqti_test_xmlv2p") == 0) r.kind = Kind::Test;
            else if (IsQti1Resource(r.type)) r.kind = Kind::Qti1;
        },
        error);
    if (!parsed) {
        error = "imsmanifest.xml: " + error;
        return false;
    }
    bytes = std::string();
    // A type we do not know (a pool's "assessment/x-bb-qti-pool", a tool's own name) is told
    // by what its XML file holds.
    for (Resource& r : resources) {
        const std::string name = ToLowerAscii(r.job.file);
        const size_t dot = name.rfind('.');
        const std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
        if (r.kind != Kind::Other || (extension != "xml" && extension != "dat" && extension != "qti") ||
            ToLowerAscii(r.type).find("survey") != std::string::npos)
            continue;
        std::string unread; // a file of another kind that is missing is none of ours
        if (!files.Read(r.job.file, r.content, unread)) continue;
        const std::string root = ImportXmlRootName(r.content);
        if (root == "assessmentItem") r.kind = Kind::Item, r.content.clear();
        else if (root == "assessmentTest") r.kind = Kind::Test;
        else if (root == "questestinterop") r.kind = Kind::Qti1;
        else if (IsBbPoolRoot(root)) r.kind = Kind::BbPool;
        else r.content = std::string();
    }
    // The tests first: their sections name the items' categories.
    std::unordered_map<std::string, std::string> categories;
    std::vector<std::pair<std::string, std::string>> testItems; // item file, section title
    bool any = false;
    const SectionFile sectionFile = [&files](const std::string& file, XmlNode& section) {
        std::string text, ignored;
        return files.Read(file, text, ignored) && ParseXml(text, section, ignored);
    };
    for (Resource& resource : resources) {
        if (resource.kind != Kind::Test) continue;
        XmlNode root;
        if ((resource.content.empty() && !files.Read(resource.job.file, resource.content, error)) ||
            !ParseXml(resource.content, root, error))
            return false;
        resource.content = std::string();
        ReadSections(root, Folder(resource.job.file), "", testItems, sectionFile);
    }
    for (const auto& [file, title] : testItems) categories.emplace(ZipPathKey(file), title);
    std::unordered_set<std::string> listed; // a set: a package lists tens of thousands
    std::vector<ItemJob> jobs; // read together before the next QTI 1 document, in order
    for (Resource& resource : resources) {
        const std::string& type = resource.type;
        if (resource.kind == Kind::Item) {
            const std::string key = ZipPathKey(Resolved(resource.job.file));
            if (!listed.insert(key).second) continue;
            result.source = "QTI 2.1 package";
            any = true;
            auto category = categories.find(key);
            if (category != categories.end()) resource.job.category = category->second;
            jobs.push_back(std::move(resource.job));
        } else if (resource.kind == Kind::Qti1) {
            if (!ReadItemJobs(files, jobs, result, error)) return false;
            jobs.clear();
            // 1.2 as most tools write it; 1.1 as some (Respondus) label the same documents.
            result.source = type.find("xmlv1p1") != std::string::npos || type.find("xmlv1p0") != std::string::npos
                                ? "QTI 1.x package"
                                : "QTI 1.2 package";
            any = true;
            std::string document = std::move(resource.content);
            if (document.empty() && !files.Read(resource.job.file, document, error)) return false;
            if (!ReadQti12Document(document, result, error)) {
                error = resource.job.file + ": " + error;
                return false;
            }
        } else if (resource.kind == Kind::BbPool) {
            if (!ReadItemJobs(files, jobs, result, error)) return false;
            jobs.clear();
            result.source = "Blackboard pool package";
            any = true;
            if (!ReadBbPool(resource.content, result, error)) {
                error = resource.job.file + ": " + error;
                return false;
            }
        }
    }
    // A manifest may list only the test: its item references name the rest.
    for (const auto& [file, title] : testItems) {
        if (!listed.insert(ZipPathKey(file)).second) continue;
        result.source = "QTI 2.1 package";
        any = true;
        ItemJob& job = jobs.emplace_back();
        job.file = file;
        job.category = title;
    }
    if (!ReadItemJobs(files, jobs, result, error)) return false;
    if (!any) {
        error = "The package's manifest lists no QTI 1.2 or 2.x questions, and none of its XML files holds any.";
        return false;
    }
    return true;
}

bool ReadQtiXml(std::string_view bytes, ImportResult& result, std::string& error)
{
    XmlNode root;
    std::string converted, decoded, note;
    bytes = HtmlEntitiesAsXml(XmlAsUtf8(bytes, converted), decoded, note);
    if (!note.empty()) result.notes.push_back(note);
    if (IsBbPoolRoot(XmlRootName(bytes))) { // read question by question, never as one tree
        result.source = "Blackboard pool";
        return ReadBbPool(bytes, result, error);
    }
    if (!ParseXml(bytes, root, error)) return false;
    if (root.name == "assessmentItem") {
        result.source = "QTI 2.1 item";
        return ReadQti21Item(bytes, "", "", {}, result, error);
    }
    if (root.name == "questestinterop") {
        result.source = "QTI 1.2";
        return ReadQti12Document(bytes, result, error);
    }
    if (root.name == "manifest") {
        error = "This is a QTI package's manifest: import the package's folder or zip instead.";
        return false;
    }
    error = "The file is no QTI: its root element is <" + root.name + ">.";
    return false;
}
