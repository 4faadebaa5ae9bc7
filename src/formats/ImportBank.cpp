#include "formats/ImportFormats.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unordered_set>

#include "util/FileUtil.h"
#include "util/StringUtil.h"
#include "util/XmlReader.h"
#include "util/XmlText.h"
#include "util/Zip.h"

namespace {

const char* const kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";



bool IsZip(std::string_view bytes)
{
    return bytes.size() >= 4 && bytes.substr(0, 2) == "PK" && static_cast<unsigned char>(bytes[2]) < 9;
}

std::u16string ParentFolder(const std::u16string& path)
{
    const size_t slash = path.find_last_of(u"/\\");
    return slash == std::u16string::npos ? u"." : path.substr(0, slash == 0 ? 1 : slash);
}

std::u16string FileName(const std::u16string& path)
{
    const size_t slash = path.find_last_of(u"/\\");
    return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

std::string LowerExtension(const std::u16string& path)
{
    const std::string name = ToLowerAscii(w2s(FileName(path)));
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? "" : name.substr(dot + 1);
}

// What a package's reads come to, against kMaxImportBytes: a file is refused before it
// is read.
class ReadBudget {
public:
    bool Take(unsigned long long size, const std::string& name, std::string& error)
    {
        used_ += size;
        if (size <= kMaxImportBytes && used_ <= kMaxImportBytes) return true;
        error = "The package is refused: its files, up to \"" + name + "\", come to more than " +
                std::to_string(kMaxImportBytes >> 20) + " MB.";
        return false;
    }

private:
    unsigned long long used_ = 0;
};

// A zip's entries; a package zipped with its folder keeps its manifest one level down.
class ZipPackage : public PackageFiles {
public:
    bool Open(std::string_view bytes, std::string& error)
    {
        if (!zip_.Open(bytes, error)) return false;
        if (zip_.Find("imsmanifest.xml") < zip_.Count()) return true;
        for (size_t i = 0; i < zip_.Count(); ++i) {
            const std::string key = ZipPathKey(zip_.Name(i));
            const size_t slash = key.rfind('/');
            if (slash != std::string::npos && key.substr(slash + 1) == "imsmanifest.xml" &&
                key.find('/') == slash) {
                prefix_ = key.substr(0, slash + 1);
                return true;
            }
        }
        error = "The zip archive is no QTI package: it has no imsmanifest.xml.";
        return false;
    }
    bool Read(const std::string& name, std::string& data, std::string& error) override
    {
        const std::string file = PackageFileName(name);
        if (file.empty()) {
            error = "The package is refused: the file \"" + name + "\" lies outside its folder.";
            return false;
        }
        const size_t index = zip_.Find(prefix_ + file);
        if (index >= zip_.Count()) {
            error = "The package has no file \"" + name + "\".";
            return false;
        }
        return budget_.Take(zip_.Size(index), name, error) && zip_.Read(index, data, error);
    }

    const std::vector<std::string>& Notes() const { return zip_.Notes(); }

private:
    ZipReader zip_;
    std::string prefix_;
    ReadBudget budget_;
};

// An unpacked package: the files beside its imsmanifest.xml, never outside that folder.
class FolderPackage : public PackageFiles {
public:
    // `manifest`: the manifest's bytes when they are read already (or made for a folder
    // that has none).
    explicit FolderPackage(std::u16string folder, std::string_view manifest = {})
        : folder_(std::move(folder)), manifest_(manifest) {}
    bool Read(const std::string& name, std::string& data, std::string& error) override
    {
        if (!manifest_.empty() && name == "imsmanifest.xml") {
            data = std::string(manifest_);
            return true;
        }
        const std::string file = PackageFileName(name);
        const long long size = file.empty() ? -1 : FileSizeOf(folder_ + u"/" + s2w(file));
        if (size > 0 && !budget_.Take(static_cast<unsigned long long>(size), name, error)) return false;
        const FolderRead read = file.empty() ? FolderRead::Outside : ReadFileInFolder(folder_, s2w(file), data);
        if (read == FolderRead::Outside) {
            error = "The package is refused: the file \"" + name + "\" lies outside its folder.";
            return false;
        }
        if (read != FolderRead::Ok) {
            error = "The package's file \"" + name + "\" cannot be read.";
            return false;
        }
        return true;
    }

private:
    std::u16string folder_;
    std::string_view manifest_;
    ReadBudget budget_;
};

std::string TooLargeToImport(unsigned long long size, unsigned long long most)
{
    return "The file is too large to import: " + GroupedNumber((size + (1 << 20) - 1) >> 20) + " MB, where one import "
           "reads " + GroupedNumber(most >> 20) + " MB at most. Split it and import the parts with Import && Merge.";
}

// The XML files of a folder (not below it), in the order their names count ("q2" before
// "q10").
std::vector<std::string> XmlFilesIn(const std::u16string& folder)
{
    std::vector<std::string> names;
    std::error_code failed;
    try {
        for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(folder), failed)) {
            const std::string name = w2s(entry.path().filename().u16string());
            if (entry.is_regular_file(failed) && name.size() > 4 && ToLowerAscii(name.substr(name.size() - 4)) == ".xml")
                names.push_back(name);
            if (names.size() > kMaxImportQuestions) break;
        }
    } catch (const std::filesystem::filesystem_error&) {
    } // a folder that cannot be listed to the end: what was listed

    auto natural = [](const std::string& a, const std::string& b) {
        size_t i = 0, j = 0;
        while (i < a.size() && j < b.size()) {
            if (std::isdigit(static_cast<unsigned char>(a[i])) && std::isdigit(static_cast<unsigned char>(b[j]))) {
                size_t ei = i, ej = j;
                while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
                while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
                const std::string x = a.substr(i, ei - i), y = b.substr(j, ej - j);
                if (x.size() != y.size() || x != y) return x.size() != y.size() ? x.size() < y.size() : x < y;
                i = ei, j = ej;
            } else if (a[i] != b[j]) {
                return a[i] < b[j];
            } else {
                ++i, ++j;
            }
        }
        return a.size() - i < b.size() - j;
    };
    std::sort(names.begin(), names.end(), natural);
    return names;
}

std::string Summary(const ImportResult& r, size_t kept)
{
    std::string text = "Imported " + std::to_string(kept) + (kept == 1 ? " question" : " questions") + " from " +
                       r.source + ".";
    if (!r.leftOut.empty()) {
        size_t total = 0;
        std::string kinds;
        for (const auto& [kind, count] : r.leftOut) {
            total += count;
            kinds += (kinds.empty() ? "" : ", ") + std::to_string(count) + " " + kind;
        }
        text += " Left out " + std::to_string(total) + " of a kind a testbank does not hold: " + kinds + ".";
    }
    return text;
}

} // namespace

std::string Quoted(const std::string& text)
{
    // Notes stay one line and short.
    const std::string kept = FirstUtf8Chars(text, 60);
    std::string out = "\"";
    for (char c : kept) out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    return out + (kept.size() < text.size() ? "...\"" : "\"");
}

const char* ImportFormatName(ImportFormat format)
{
    switch (format) {
    case ImportFormat::Moodle: return "Moodle XML";
    case ImportFormat::Gift: return "GIFT";
    case ImportFormat::Qti: return "QTI package";
    case ImportFormat::Csv: return "CSV";
    case ImportFormat::Json: return "quiz JSON";
    case ImportFormat::Xlsx: return "spreadsheet";
    case ImportFormat::Aiken: return "Aiken";
    case ImportFormat::Text: return "plain text";
    case ImportFormat::Docx: return "Word document";
    case ImportFormat::Auto: break;
    }
    return "";
}

const char* ImportFormatKey(ImportFormat format)
{
    switch (format) {
    case ImportFormat::Moodle: return "moodle";
    case ImportFormat::Gift: return "gift";
    case ImportFormat::Qti: return "qti";
    case ImportFormat::Csv: return "csv";
    case ImportFormat::Json: return "json";
    case ImportFormat::Xlsx: return "xlsx";
    case ImportFormat::Aiken: return "aiken";
    case ImportFormat::Text: return "text";
    case ImportFormat::Docx: return "docx";
    case ImportFormat::Auto: break;
    }
    return "";
}

bool ImportFormatFromKey(const std::string& key, ImportFormat& format)
{
    for (ImportFormat f : kImportFormats)
        if (key == ImportFormatKey(f)) {
            format = f;
            return true;
        }
    return false;
}

std::string ImportResult::Label(const std::string& id) const
{
    return id.empty() ? "Question #" + std::to_string(read + 1) : "Item [" + id + "]";
}

std::string TextTooLong(const std::string& where)
{
    return "The file holds a text of more than " + std::to_string(kMaxImportText >> 20) + " MB (" + where +
           "), more than one import reads.";
}

namespace {

// Left-out questions count too: each costs a note.
void CheckQuestionCount(size_t read)
{
    if (read >= kMaxImportQuestions)
        throw ImportTooLarge("The file holds more than " + GroupedNumber(kMaxImportQuestions) +
                             " questions, more than one import takes. Split it and import the parts with "
                             "Import && Merge.");
}

} // namespace

void ImportResult::LeaveOut(const std::string& kind, const std::string& label)
{
    CheckQuestionCount(read);
    notes.push_back(label + " is left out: " + kind + ".");
    ++leftOut[kind];
    ++read;
}

void ImportResult::Add(ImportedQuestion&& q, const std::string& label, const std::vector<std::string>& lost)
{
    for (size_t i = 0; i < lost.size(); ++i)
        if (std::find(lost.begin(), lost.begin() + static_cast<long>(i), lost[i]) == lost.begin() + static_cast<long>(i))
            notes.push_back(label + ": " + lost[i]);
    Add(std::move(q));
}

void ImportResult::Add(ImportedQuestion&& q)
{
    CheckQuestionCount(read);
    const std::string label = Label(q.id);
    json item = q.extra.is_object() ? std::move(q.extra) : json::object();
    if (!q.id.empty()) item["id"] = std::move(q.id);
    item["category"] = std::move(q.category);
    item["question"] = std::move(q.stem);
    json objectives = json::object();
    for (auto& [key, value] : q.objectives) objectives[key] = std::move(value);
    if (!q.objectives.empty() || !item.contains("objectives")) item["objectives"] = std::move(objectives);
    switch (q.kind) {
    case ImportedQuestion::Choice: {
        if (q.typeKnown) item["type"] = "multiple_choice";
        json choices = json::object();
        const size_t kept = q.choices.size() < 26 ? q.choices.size() : 26;
        for (size_t i = 0; i < kept; ++i) choices[std::string(1, kLetters[i])] = std::move(q.choices[i]);
        if (q.choices.size() > 26) {
            json more = json::array();
            for (size_t i = 26; i < q.choices.size(); ++i) more.push_back(std::move(q.choices[i]));
            item["more_choices"] = std::move(more);
            notes.push_back(label + " has " + std::to_string(q.choices.size()) +
                            " choices; those past Z are kept under \"more_choices\".");
        }
        std::string correct = "A";
        if (q.correct >= q.choices.size()) {
            notes.push_back(label + ": the answer " + Quoted(q.answerGiven) +
                            " matches none of its choices; correct set to A (fix it in Edit/Add Items).");
        } else if (q.correct >= kept) {
            notes.push_back(label + ": its answer is past Z, under \"more_choices\"; correct set to A (fix it in Edit/Add Items).");
        } else {
            correct = std::string(1, kLetters[q.correct]);
        }
        item["choices"] = std::move(choices);
        item["correct"] = correct;
        break;
    }
    case ImportedQuestion::TrueFalse:
        if (q.typeKnown) item["type"] = "true_false";
        item["correct"] = q.truth ? "True" : "False";
        break;
    case ImportedQuestion::Answer:
        if (q.typeKnown) item["type"] = "numerical";
        item["answer"] = q.answerValue.is_null() ? json(std::move(q.answer)) : std::move(q.answerValue);
        if (!item.contains("correct")) item["correct"] = item["answer"];
        break;
    }
    items.push_back(std::move(item));
    ++read;
}

std::string ChoiceKey(size_t index)
{
    return index < 26 ? std::string(1, kLetters[index]) : std::to_string(index + 1);
}

void KeepFeedback(ImportedQuestion& q, const std::string& response, const std::string& text)
{
    if (text.empty()) return;
    if (!q.extra.contains("feedback")) q.extra["feedback"] = json::object();
    q.extra["feedback"][response] = text;
}

bool HasWildcard(const std::string& pattern)
{
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '\\' && i + 1 < pattern.size() && pattern[i + 1] == '*') ++i;
        else if (pattern[i] == '*') return true;
    }
    return false;
}

std::string PatternLiteral(const std::string& pattern)
{
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '\\' && i + 1 < pattern.size() && pattern[i + 1] == '*') continue;
        out += pattern[i];
    }
    return out;
}

std::string TrimText(const std::string& text)
{
    size_t a = 0, b = text.size();
    while (a < b && (text[a] == ' ' || (text[a] >= '\t' && text[a] <= '\r'))) ++a;
    while (b > a && (text[b - 1] == ' ' || (text[b - 1] >= '\t' && text[b - 1] <= '\r'))) --b;
    return text.substr(a, b - a);
}

std::string CategoryFromMoodlePath(const std::string& path)
{
    // "//" is a '/' inside a name; a single '/' separates the levels.
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '/' && i + 1 < path.size() && path[i + 1] == '/') {
            parts.back() += '/';
            ++i;
        } else if (path[i] == '/') {
            parts.emplace_back();
        } else {
            parts.back() += path[i];
        }
    }
    size_t first = 0;
    if (first < parts.size() && parts[first].size() > 2 && parts[first].front() == '$' && parts[first].back() == '$')
        ++first;
    if (first < parts.size() && ToLowerAscii(parts[first]) == "top") ++first;
    std::string category;
    for (size_t i = first; i < parts.size(); ++i)
        category += (i == first ? "" : kCategoryLevelSeparator) + TrimText(parts[i]);
    // What our exports write for an item without a category.
    return category == "Uncategorized" ? std::string() : category;
}

bool ObjectiveFromTag(const std::string& tag, std::pair<std::string, std::string>& objective)
{
    const size_t colon = tag.find(':');
    if (colon == std::string::npos) return false;
    const std::string key = ToLowerAscii(TrimText(tag.substr(0, colon)));
    if (key != "mlo" && key != "clo" && key != "plo") return false;
    objective = {ToLowerAscii(key) == "mlo" ? "MLO" : key == "clo" ? "CLO" : "PLO", TrimText(tag.substr(colon + 1))};
    return true;
}

std::string ImportXmlRootName(std::string_view bytes)
{
    std::string root = XmlRootName(bytes), converted;
    if (root.empty() && bytes.substr(0, 5) == "<?xml") root = XmlRootName(XmlAsUtf8(bytes.substr(0, 4096), converted));
    return root;
}

ImportFormat DetectImportFormat(std::string_view bytes, const std::u16string& path)
{
    if (IsZip(bytes)) {
        const std::string office = OfficeZipKind(bytes);
        return office == "xlsx" ? ImportFormat::Xlsx : office == "docx" ? ImportFormat::Docx : ImportFormat::Qti;
    }
    size_t p = bytes.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    while (p < bytes.size() && (bytes[p] == ' ' || bytes[p] == '\t' || bytes[p] == '\r' || bytes[p] == '\n')) ++p;
    // XML in UTF-16 starts with a byte order mark or a zero byte beside its '<'.
    const bool utf16 = bytes.size() >= 2 && (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF" ||
                                             bytes.substr(0, 2) == std::string_view("<\0", 2) ||
                                             bytes.substr(0, 2) == std::string_view("\0<", 2));
    if ((p < bytes.size() && bytes[p] == '<') || (utf16 && !XmlRootName(bytes).empty())) {
        const std::string root = ImportXmlRootName(bytes);
        if (root == "quiz") return ImportFormat::Moodle;
        if (root == "questestinterop" || root == "assessmentItem" || root == "manifest" || IsBbPoolRoot(root))
            return ImportFormat::Qti;
        return ImportFormat::Auto;
    }
    if (p < bytes.size() && (bytes[p] == '{' || bytes[p] == '[')) return ImportFormat::Json;
    const std::string extension = LowerExtension(path);
    if (extension == "csv" || extension == "tsv") return ImportFormat::Csv;
    if (extension == "gift") return ImportFormat::Gift;
    bool aiken = false;
    if (LooksLikeTextBank(bytes.substr(p), aiken)) return aiken ? ImportFormat::Aiken : ImportFormat::Text;
    // Plain text: GIFT has its answers in braces, a spreadsheet's first line is a header.
    const std::string_view firstLine = bytes.substr(p, bytes.find('\n', p) == std::string_view::npos
                                                          ? std::string_view::npos
                                                          : bytes.find('\n', p) - p);
    if (bytes.find('{') != std::string_view::npos &&
        (bytes.find('}') != std::string_view::npos || firstLine.substr(0, 2) == "::" || firstLine.substr(0, 2) == "//"))
        return ImportFormat::Gift;
    if (firstLine.find(',') != std::string_view::npos || firstLine.find(';') != std::string_view::npos ||
        firstLine.find('\t') != std::string_view::npos)
        return ImportFormat::Csv;
    return ImportFormat::Auto;
}

bool ImportBankBytes(std::string_view bytes, const std::u16string& path, ImportFormat format, ImportedBank& bank,
                     std::string& error)
{
    std::string text, encodingNote;
    // UTF-16 text (a spreadsheet's "Unicode text") is made UTF-8 before its format is told;
    // UTF-16 XML goes to the XML reader, which decodes it.
    const bool utf16 = bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF";
    if (utf16 && XmlRootName(bytes).empty()) bytes = TextAsUtf8(bytes, text, encodingNote);
    if (format == ImportFormat::Auto) format = DetectImportFormat(bytes, path);
    // XML goes to the XML reader as it is (it decodes UTF-16 and Latin-1 and refuses bad
    // bytes); every other reader gets valid UTF-8, whatever its first bytes.
    if (format == ImportFormat::Json && bytes.size() > kMaxQuizJsonBytes) {
        error = TooLargeToImport(bytes.size(), kMaxQuizJsonBytes);
        return false;
    }
    if (format == ImportFormat::Gift || format == ImportFormat::Csv || format == ImportFormat::Json ||
        format == ImportFormat::Aiken || format == ImportFormat::Text) {
        if (encodingNote.empty()) bytes = TextAsUtf8(bytes, text, encodingNote);
    }
    ImportResult result;
    if (!encodingNote.empty()) result.notes.push_back(encodingNote);
    result.source = ImportFormatName(format);
    bool ok = false;
    try {
        switch (format) {
        case ImportFormat::Moodle: ok = ReadMoodleXml(bytes, result, error); break;
        case ImportFormat::Gift: ok = ReadGift(bytes, result, error); break;
        case ImportFormat::Csv: ok = ReadCsv(bytes, result, error); break;
        case ImportFormat::Json: ok = ReadQuizJson(bytes, result, error); break;
        case ImportFormat::Xlsx: ok = ReadXlsx(bytes, result, error); break;
        case ImportFormat::Aiken:
        case ImportFormat::Text: ok = ReadTextBank(bytes, result, error); break;
        case ImportFormat::Docx: ok = ReadDocx(bytes, result, error); break;
        case ImportFormat::Qti:
            if (IsZip(bytes)) {
                ZipPackage package;
                ok = package.Open(bytes, error) && ReadQtiPackage(package, result, error);
                result.notes.insert(result.notes.end(), package.Notes().begin(), package.Notes().end());
            } else if (XmlRootName(bytes) == "manifest") {
                FolderPackage package(ParentFolder(path), bytes);
                ok = ReadQtiPackage(package, result, error);
            } else {
                ok = ReadQtiXml(bytes, result, error);
            }
            break;
        case ImportFormat::Auto:
            error = "The file is none of the formats Import reads (Moodle XML, GIFT, QTI, CSV, quiz JSON, a "
                    "spreadsheet, Aiken, a text or Word document of numbered questions).";
            return false;
        }
    } catch (const std::bad_alloc&) {
        error = "Out of memory: the file is too large to import here.";
        return false;
    } catch (const ImportTooLarge& e) {
        error = e.what();
        return false;
    } catch (const std::exception& e) {
        error = std::string("The file could not be read: ") + e.what();
        return false;
    }
    if (!ok) return false;
    const size_t kept = result.items.size();
    if (kept == 0) {
        error = result.leftOut.empty() ? "No questions were found in the " + result.source + " file."
                                       : Summary(result, 0) + " Nothing is left to open.";
        return false;
    }
    // IDs must be unique; a repeated one gets a suffix, as the loader would refuse it. Most
    // files repeat none, which one look at each ID tells without copying it.
    bool repeated = false;
    {
        std::unordered_set<std::string_view> ids;
        ids.reserve(result.items.size());
        for (const json& item : result.items) {
            auto id = item.find("id");
            if (id != item.end() && id->is_string() && !ids.insert(id->get_ref<const std::string&>()).second) {
                repeated = true;
                break;
            }
        }
    }
    if (repeated) {
        std::unordered_set<std::string> used;
        for (const json& item : result.items) {
            auto id = item.find("id");
            if (id != item.end() && id->is_string()) used.insert(id->get<std::string>());
        }
        std::unordered_set<std::string> seen;
        for (json& item : result.items) {
            auto id = item.find("id");
            if (id == item.end() || !id->is_string()) continue;
            const std::string text = id->get<std::string>();
            if (seen.insert(text).second) continue;
            std::string renamed;
            for (size_t n = 2;; ++n) {
                renamed = text + "_" + std::to_string(n);
                if (used.insert(renamed).second) break;
            }
            seen.insert(renamed);
            item["id"] = renamed;
            result.notes.push_back("Item [" + text + "] appears more than once; this one is now [" + renamed + "].");
        }
    }
    bank.format = format;
    bank.notes.clear();
    bank.notes.push_back(Summary(result, kept));
    for (std::string& note : result.notes) bank.notes.push_back(std::move(note));
    bank.document = json::object();
    bank.document["items"] = std::move(result.items);
    return true;
}

bool ImportBankFile(const std::u16string& path, ImportFormat format, ImportedBank& bank, std::string& error)
{
    if (IsFolder(path)) {
        if (format != ImportFormat::Auto && format != ImportFormat::Qti) {
            error = "A folder can only be imported as an unpacked QTI package.";
            return false;
        }
        FolderPackage package(path);
        std::string manifest;
        if (!package.Read("imsmanifest.xml", manifest, error)) {
            // QTI files saved without their manifest: each XML file is read by what it holds.
            const std::vector<std::string> files = XmlFilesIn(path);
            if (files.empty()) {
                error = "The folder holds no imsmanifest.xml and no XML files: it is no QTI package.";
                return false;
            }
            manifest = "<manifest><resources>";
            for (const std::string& file : files)
                manifest += "<resource type=\"\" href=\"" + EscapedText(file, Markup::Xml) + "\"/>";
            manifest += "</resources></manifest>";
            if (!ImportBankBytes(manifest, path + u"/imsmanifest.xml", ImportFormat::Qti, bank, error)) {
                if (error.find("lists no QTI") != std::string::npos)
                    error = "The folder holds no imsmanifest.xml, and none of its XML files holds QTI questions.";
                return false;
            }
            bank.notes.insert(bank.notes.begin() + 1, "The folder holds no imsmanifest.xml: its " +
                                                          GroupedNumber(files.size()) + " XML files were read by what they hold.");
            return true;
        }
        return ImportBankBytes(manifest, path + u"/imsmanifest.xml", ImportFormat::Qti, bank, error);
    }
    const long long size = FileSizeOf(path);
    if (size > 0 && static_cast<unsigned long long>(size) > kMaxImportBytes) {
        error = TooLargeToImport(static_cast<unsigned long long>(size), kMaxImportBytes);
        return false;
    }
    std::string bytes;
    if (!ReadFileBytes(path, bytes)) {
        error = "Failed to read file.";
        return false;
    }
    if (bytes.empty()) {
        error = "The file is empty.";
        return false;
    }
    return ImportBankBytes(bytes, path, format, bank, error);
}

namespace {

// The text after the letter a choice carries of its own ("b) Paris", "B. Paris": "Paris"),
// or null when it carries none, or another letter. `space` also takes "b Paris".
const char* AfterOwnLetter(const std::string& text, size_t index, bool space = false)
{
    if (index >= 26 || text.size() < 4 || (text[0] != 'A' + static_cast<char>(index) && text[0] != 'a' + static_cast<char>(index)))
        return nullptr;
    if (text[1] == ' ' && space) return text.c_str() + 2;
    if (text[1] == ')' && text[2] != ' ') return text.c_str() + 2; // "c)text"
    return (text[1] == '.' || text[1] == ')' || text[1] == '-') && text[2] == ' ' ? text.c_str() + 3 : nullptr;
}

} // namespace

size_t ChoiceFromAnswer(const std::string& answer, const std::vector<std::string>& choices, int indexBase)
{
    const std::string wanted = ToLowerAscii(TrimText(answer));
    if (wanted.empty()) return static_cast<size_t>(-1);
    for (size_t i = 0; i < choices.size(); ++i)
        if (ToLowerAscii(TrimText(choices[i])) == wanted) return i;
    // A choice that carries its own letter ("D. Paris" for "Paris"), and only its own.
    for (size_t i = 0; i < choices.size() && wanted.size() > 1; ++i) {
        const std::string c = TrimText(choices[i]);
        const char* rest = AfterOwnLetter(c, i);
        if (rest && ToLowerAscii(TrimText(rest)) == wanted) return i;
    }
    std::string letter = wanted;
    for (const char* prefix : {"option ", "choice ", "answer "})
        if (letter.compare(0, std::strlen(prefix), prefix) == 0) letter = TrimText(letter.substr(std::strlen(prefix)));
    // "3;" as a cell left it: a number or letter with a separator after it.
    while (letter.size() > 1 && (letter.back() == ';' || letter.back() == ',')) letter.pop_back();
    if (letter.size() == 2 && (letter[1] == ')' || letter[1] == '.')) letter.pop_back();
    if (letter.size() == 1 && letter[0] >= 'a' && letter[0] <= 'z') {
        const size_t index = static_cast<size_t>(letter[0] - 'a');
        return index < choices.size() ? index : static_cast<size_t>(-1);
    }
    if (!letter.empty() && letter.size() <= 3 && letter.find_first_not_of("0123456789") == std::string::npos) {
        const long n = std::strtol(letter.c_str(), nullptr, 10) - indexBase;
        if (n >= 0 && static_cast<size_t>(n) < choices.size()) return static_cast<size_t>(n);
    }
    return static_cast<size_t>(-1);
}

namespace {

// A text as it is compared when nothing matches exactly: letter case, spaces and the kind
// of dash aside, and a choice's own letter ("b) ") too.
std::string Loose(const std::string& text, size_t ownLetter = static_cast<size_t>(-1))
{
    std::string t = TrimText(text);
    if (const char* rest = AfterOwnLetter(t, ownLetter, true)) t = rest;
    t = ToLowerAscii(t);
    std::string out;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t.compare(i, 3, "\xE2\x80\x93") == 0 || t.compare(i, 3, "\xE2\x80\x94") == 0 ||
            t.compare(i, 3, "\xE2\x88\x92") == 0) {
            out += '-';
            i += 2;
        } else if (t.compare(i, 2, "\xC2\xA0") == 0) {
            ++i;
        } else if (!std::isspace(static_cast<unsigned char>(t[i]))) {
            out += t[i];
        }
    }
    return out;
}

} // namespace

bool AddAnswerAsChoice(ImportedQuestion& q, const std::string& answer, const std::string& label,
                       std::vector<std::string>& notes)
{
    const std::string text = TrimText(answer);
    if (q.correct < q.choices.size() || q.choices.empty() || text.empty()) return false;
    // The same text but for spaces, dashes or the choice's letter: that choice, if only one.
    const std::string loose = Loose(text);
    size_t matched = q.choices.size(), matches = 0;
    for (size_t i = 0; i < q.choices.size() && !loose.empty(); ++i)
        if (Loose(q.choices[i], i) == loose) matched = i, ++matches;
    if (matches == 1) {
        q.correct = matched;
        notes.push_back(label + ": the answer " + Quoted(text) + " is choice " + ChoiceKey(matched) +
                        " written with other spaces, dashes or letter case; that choice is the key.");
        return false;
    }
    // A letter, an index or a list of them names a choice that is not there: a wrong key.
    std::string bare = ToLowerAscii(text);
    for (const char* prefix : {"option ", "choice ", "answer "})
        if (bare.compare(0, std::strlen(prefix), prefix) == 0) bare = TrimText(bare.substr(std::strlen(prefix)));
    if (bare.size() == 2 && (bare[1] == ')' || bare[1] == '.')) bare.pop_back();
    if ((bare.size() == 1 && std::isalpha(static_cast<unsigned char>(bare[0]))) ||
        bare.find_first_not_of("0123456789 ,;|") == std::string::npos)
        return false;
    size_t slot = 0;
    while (slot < q.choices.size() && !TrimText(q.choices[slot]).empty()) ++slot;
    if (slot == q.choices.size()) q.choices.push_back(text);
    else q.choices[slot] = text;
    q.correct = slot;
    notes.push_back(label + ": the answer " + Quoted(text) + " is none of its choices; it is taken as the right " +
                    "choice itself, added as " + ChoiceKey(slot) + ".");
    return true;
}

bool StripOwnLetters(std::vector<std::string>& choices)
{
    bool lettered = choices.size() >= 2;
    for (size_t i = 0; i < choices.size() && lettered; ++i) lettered = AfterOwnLetter(choices[i], i) != nullptr;
    if (lettered)
        for (size_t i = 0; i < choices.size(); ++i) choices[i] = TrimText(AfterOwnLetter(choices[i], i));
    return lettered;
}

size_t TakeChoiceMarks(std::vector<std::string>& choices)
{
    static const char* const kRight[] = {"(wahr)", "(richtig)", "(correct)", "(right)", "(true)", "(vrai)", "(correcto)",
                                         "(correcta)", "(giusta)", "(corretta)", "(certo)", "(certa)", "(x)"};
    static const char* const kWrong[] = {"(falsch)", "(wrong)", "(incorrect)", "(false)", "(faux)", "(incorrecto)",
                                         "(incorrecta)", "(sbagliata)", "(errado)", "(errada)"};
    auto ends = [](const std::string& text, const char* mark) {
        const std::string t = ToLowerAscii(TrimText(text));
        const size_t n = std::strlen(mark);
        return t.size() > n && t.compare(t.size() - n, n, mark) == 0 ? n : 0;
    };
    size_t marked = static_cast<size_t>(-1), marks = 0;
    for (size_t i = 0; i < choices.size(); ++i)
        for (const char* mark : kRight)
            if (ends(choices[i], mark)) marked = i, ++marks;
    if (marks != 1) return static_cast<size_t>(-1);
    for (std::string& choice : choices) {
        for (const char* mark : kRight)
            if (const size_t n = ends(choice, mark)) choice = TrimText(TrimText(choice).substr(0, TrimText(choice).size() - n));
        for (const char* mark : kWrong)
            if (const size_t n = ends(choice, mark)) choice = TrimText(TrimText(choice).substr(0, TrimText(choice).size() - n));
    }
    return marked;
}

bool TruthChoices(const std::vector<std::string>& choices, bool& firstTrue)
{
    bool second = false;
    auto word = [](const std::string& c, bool& truth) {
        const std::string t = TrimText(c);
        return t.size() > 1 && t.find_first_not_of("0123456789") != std::string::npos && TruthFromText(t, truth);
    };
    return choices.size() == 2 && word(choices[0], firstTrue) && word(choices[1], second) && firstTrue != second;
}

bool TruthFromText(const std::string& text, bool& truth)
{
    const std::string t = ToLowerAscii(TrimText(text));
    if (t == "true" || t == "t" || t == "yes" || t == "y" || t == "1" || t == "correct") truth = true;
    else if (t == "false" || t == "f" || t == "no" || t == "n" || t == "0" || t == "incorrect") truth = false;
    else {
        // Other languages: German, French, Spanish/Portuguese/Italian, Korean, Chinese.
        static const char* const kTrue[] = {"wahr", "richtig", "vrai", "verdadero", "verdadeiro", "vero",
                                            "\xEC\xB0\xB8", "\xEB\xA7\x9E\xEC\x9D\x8C", "\xE6\xAD\xA3\xE7\xA1\xAE", "\xE5\xAF\xB9", "\xE2\x9C\x93"};
        static const char* const kFalse[] = {"falsch", "faux", "falso", "\xE2\x9C\x97",
                                             "\xEA\xB1\xB0\xEC\xA7\x93", "\xED\x8B\x80\xEB\xA6\xBC",
                                             "\xE9\x94\x99\xE8\xAF\xAF", "\xE9\x94\x99"};
        for (const char* word : kTrue)
            if (t == word) return truth = true, true;
        for (const char* word : kFalse)
            if (t == word) return truth = false, true;
        return false;
    }
    return true;
}

json NumberAnswer(const std::string& text)
{
    json value = json::parse(text, nullptr, false);
    if (!value.is_number() || JsonText(value) != text) return json();
    return value;
}
