#include "formats/ImportFormats.h"

#include <unordered_map>

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

bool HoldsInteraction(const XmlNode& node)
{
    if (IsInteraction(node)) return true;
    for (const XmlNode& child : node.children)
        if (!child.IsText() && HoldsInteraction(child)) return true;
    return false;
}

// The item body's text around its interaction: each block a line, the prompt last.
std::string BodyText(const XmlNode& body)
{
    std::string stem;
    auto add = [&stem](const std::string& part) {
        if (TrimText(part).empty()) return;
        if (!stem.empty()) stem += '\n';
        stem += part;
    };
    for (const XmlNode& child : body.children) {
        if (child.IsText()) {
            add(TrimText(child.text));
        } else if (!HoldsInteraction(child)) {
            add(XhtmlToPlainText(child));
        } else if (IsInteraction(child)) {
            if (const XmlNode* prompt = child.Child("prompt")) add(XhtmlToPlainText(*prompt));
        } else {
            // A paragraph holding an inline interaction: its own text, the interaction left out.
            XmlNode copy;
            for (const XmlNode& part : child.children)
                if (part.IsText() || !HoldsInteraction(part)) copy.children.push_back(part);
            add(TrimText(XhtmlToPlainText(copy)));
            for (const XmlNode& part : child.children)
                if (!part.IsText() && IsInteraction(part))
                    if (const XmlNode* prompt = part.Child("prompt")) add(XhtmlToPlainText(*prompt));
        }
    }
    return stem;
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

// The section titles of a test, by the item files they hold.
void ReadSections(const XmlNode& node, const std::string& base, const std::string& title,
                  std::unordered_map<std::string, std::string>& categories)
{
    for (const XmlNode& child : node.children) {
        if (child.IsText()) continue;
        if (child.name == "assessmentItemRef") {
            categories.emplace(ZipPathKey(base + child.Attribute("href")), title);
        } else {
            const std::string inner = child.name == "assessmentSection" ? child.Attribute("title") : title;
            ReadSections(child, base, inner, categories);
        }
    }
}

} // namespace

bool ReadQti21Item(std::string_view bytes, const std::string& category, const std::string& id,
                   std::vector<std::pair<std::string, std::string>> objectives, ImportResult& result,
                   std::string& error)
{
    XmlNode root;
    if (!ParseXml(bytes, root, error)) return false;
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
    if (interactions.empty()) {
        result.LeaveOut("without interaction", label);
        return true;
    }
    if (interactions.size() > 1) {
        result.LeaveOut("composite", label);
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
    q.stem = BodyText(*body);
    if (interaction.name == "choiceInteraction") {
        const std::string cardinality = declaration ? declaration->Attribute("cardinality") : "single";
        const std::string maxChoices = interaction.Attribute("maxChoices");
        if (cardinality == "multiple" || (!maxChoices.empty() && maxChoices != "1") || values.size() > 1) {
            result.LeaveOut("multiple-answer", label);
            return true;
        }
        std::vector<std::string> identifiers;
        for (const XmlNode* choice : interaction.Children("simpleChoice")) {
            if (!values.empty() && choice->Attribute("identifier") == values[0]) q.correct = q.choices.size();
            q.choices.push_back(XhtmlToPlainText(*choice));
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
        if (q.kind == ImportedQuestion::Choice && interaction.Attribute("shuffle") == "true")
            q.extra["shuffle"] = true;
    } else if (interaction.name == "textEntryInteraction") {
        q.kind = ImportedQuestion::Answer;
        if (!values.empty()) {
            q.answer = values[0];
        } else if (declaration) {
            // No correct response: the mapped answer worth most.
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
    } else {
        result.LeaveOut(KindOfInteraction(interaction.name), label);
        return true;
    }
    result.Add(std::move(q));
    return true;
}

bool ReadQtiPackage(PackageFiles& files, ImportResult& result, std::string& error)
{
    std::string bytes;
    if (!files.Read("imsmanifest.xml", bytes, error)) return false;
    XmlNode manifest;
    if (!ParseXml(bytes, manifest, error)) {
        error = "imsmanifest.xml: " + error;
        return false;
    }
    bytes.clear();
    std::vector<const XmlNode*> resources;
    manifest.FindAll("resource", resources);
    auto href = [](const XmlNode& resource) {
        std::string h = resource.Attribute("href");
        if (h.empty())
            if (const XmlNode* file = resource.Child("file")) h = file->Attribute("href");
        return h;
    };
    // The tests first: their sections name the items' categories.
    std::unordered_map<std::string, std::string> categories;
    bool any = false;
    for (const XmlNode* resource : resources) {
        const std::string type = resource->Attribute("type");
        if (type.compare(0, 18, "imsqti_test_xmlv2p") != 0) continue;
        std::string test;
        XmlNode root;
        if (!files.Read(href(*resource), test, error) || !ParseXml(test, root, error)) return false;
        ReadSections(root, Folder(href(*resource)), "", categories);
    }
    for (const XmlNode* resource : resources) {
        const std::string type = resource->Attribute("type");
        const std::string file = href(*resource);
        if (type.compare(0, 18, "imsqti_item_xmlv2p") == 0) {
            result.source = "QTI 2.1 package";
            any = true;
            std::string id;
            if (const XmlNode* identifier = resource->Find("identifier"))
                id = TrimText(identifier->Child("entry") ? identifier->ChildText("entry") : identifier->Text());
            std::vector<std::pair<std::string, std::string>> objectives;
            json tags = json::array();
            ReadKeywords(*resource, objectives, tags);
            std::string item;
            if (!files.Read(file, item, error)) return false;
            const size_t before = result.items.size();
            auto category = categories.find(ZipPathKey(file));
            if (!ReadQti21Item(item, category == categories.end() ? "" : category->second, id, std::move(objectives),
                               result, error)) {
                error = file + ": " + error;
                return false;
            }
            if (!tags.empty() && result.items.size() > before) result.items.back()["tags"] = std::move(tags);
        } else if (type.compare(0, 14, "imsqti_xmlv1p2") == 0 ||
                   (type.find("imsqti") != std::string::npos && type.find("xmlv1p2") != std::string::npos)) {
            result.source = "QTI 1.2 package";
            any = true;
            std::string document;
            if (!files.Read(file, document, error)) return false;
            if (!ReadQti12Document(document, result, error)) {
                error = file + ": " + error;
                return false;
            }
        }
    }
    if (!any) {
        error = "The package's manifest lists no QTI 1.2 or 2.x questions.";
        return false;
    }
    return true;
}

bool ReadQtiXml(std::string_view bytes, ImportResult& result, std::string& error)
{
    XmlNode root;
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
