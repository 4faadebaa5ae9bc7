// A Word document (.docx): its paragraphs in order, with the list numbering Word draws
// written out, read by the text bank's rules.
#include "formats/ImportFormats.h"

#include <algorithm>
#include <map>

#include "util/StringUtil.h"
#include "util/XmlReader.h"
#include "util/Zip.h"

namespace {

struct ListLevel {
    std::string format = "decimal"; // decimal, lowerLetter, bullet, none...
    int start = 1;
};

struct Numbering {
    std::map<std::string, std::map<int, ListLevel>> abstracts;
    std::map<std::string, std::string> abstractOf;                   // numId -> abstractNumId
    std::map<std::string, std::pair<std::string, int>> styleNumbers; // style -> numId, level
    std::map<std::string, std::vector<int>> counters;                // numId -> count per level
    size_t questions = 0, choices = 0;

    // What the list draws before a paragraph: "3. " at the top level, "- " for a choice
    // (a letter, a bullet or any level below the top), "" when it is no list.
    std::string Prefix(const std::string& numId, int level)
    {
        auto abstract = abstractOf.find(numId);
        if (numId.empty() || numId == "0" || abstract == abstractOf.end() || level < 0 || level > 8) return "";
        ListLevel format;
        auto levels = abstracts.find(abstract->second);
        if (levels != abstracts.end() && levels->second.count(level)) format = levels->second[level];
        std::vector<int>& count = counters[numId];
        count.resize(9, 0);
        count[level] = count[level] ? count[level] + 1 : format.start;
        for (int deeper = level + 1; deeper < 9; ++deeper) count[deeper] = 0;
        if (format.format == "none") return "";
        const bool letter = format.format == "lowerLetter" || format.format == "upperLetter";
        if (level == 0 && format.format != "bullet" && !letter) {
            ++questions;
            return std::to_string(count[level]) + ". ";
        }
        ++choices;
        return "- ";
    }
};

int IntAttribute(const XmlNode* node, int fallback)
{
    if (!node) return fallback;
    const std::string v = node->Attribute("val");
    return !v.empty() && v.size() < 6 && v.find_first_not_of("0123456789") == std::string::npos ? std::stoi(v)
                                                                                                  : fallback;
}

void ReadNumbering(const XmlNode& root, Numbering& numbering)
{
    for (const XmlNode* abstract : root.Children("abstractNum")) {
        auto& levels = numbering.abstracts[abstract->Attribute("abstractNumId")];
        for (const XmlNode* lvl : abstract->Children("lvl")) {
            ListLevel level;
            if (const XmlNode* fmt = lvl->Child("numFmt")) level.format = fmt->Attribute("val");
            level.start = IntAttribute(lvl->Child("start"), 1);
            const std::string ilvl = lvl->Attribute("ilvl");
            if (ilvl.size() == 1 && ilvl[0] >= '0' && ilvl[0] <= '8') levels[ilvl[0] - '0'] = level;
        }
    }
    for (const XmlNode* num : root.Children("num"))
        if (const XmlNode* abstract = num->Child("abstractNumId"))
            numbering.abstractOf[num->Attribute("numId")] = abstract->Attribute("val");
}

void ReadStyles(const XmlNode& root, Numbering& numbering)
{
    for (const XmlNode* style : root.Children("style")) {
        const XmlNode* pPr = style->Child("pPr");
        const XmlNode* numPr = pPr ? pPr->Child("numPr") : nullptr;
        if (!numPr || !numPr->Child("numId")) continue;
        numbering.styleNumbers[style->Attribute("styleId")] = {numPr->Child("numId")->Attribute("val"),
                                                               IntAttribute(numPr->Child("ilvl"), 0)};
    }
}

bool On(const XmlNode* property)
{
    if (!property) return false;
    const std::string v = property->Attribute("val");
    return v != "0" && v != "false" && v != "off" && v != "none";
}

// A paragraph's text, and how much of each of its lines (split by breaks) is bold or
// highlighted.
struct ParagraphText {
    std::string text;
    std::vector<size_t> letters = {0}, emphasised = {0};
};

void Runs(const XmlNode& node, ParagraphText& out, bool emphasis)
{
    for (const XmlNode& child : node.children) {
        const std::string& name = child.name;
        if (child.IsText() || name == "pPr" || name == "rPr" || name == "del" || name == "instrText" ||
            name == "delText")
            continue;
        if (name == "r") {
            const XmlNode* rPr = child.Child("rPr");
            Runs(child, out, rPr && (On(rPr->Child("b")) || On(rPr->Child("highlight"))));
        } else if (name == "t") {
            const std::string text = child.Text();
            for (char c : text)
                if (c != ' ' && c != '\t') ++out.letters.back(), out.emphasised.back() += emphasis;
            out.text += text;
        } else if (name == "tab") {
            out.text += '\t';
        } else if (name == "br" || name == "cr") {
            out.text += '\n';
            out.letters.push_back(0), out.emphasised.push_back(0);
        } else if (name == "noBreakHyphen") {
            out.text += '-';
        } else {
            Runs(child, out, emphasis); // hyperlinks, insertions, fields' results, content controls
        }
    }
}

void Paragraph(const XmlNode& p, Numbering& numbering, std::vector<TextBankLine>& lines)
{
    std::string numId;
    int level = 0;
    if (const XmlNode* pPr = p.Child("pPr")) {
        if (const XmlNode* style = pPr->Child("pStyle")) {
            auto styled = numbering.styleNumbers.find(style->Attribute("val"));
            if (styled != numbering.styleNumbers.end()) std::tie(numId, level) = styled->second;
        }
        if (const XmlNode* numPr = pPr->Child("numPr")) {
            if (const XmlNode* id = numPr->Child("numId")) numId = id->Attribute("val");
            level = IntAttribute(numPr->Child("ilvl"), level);
        }
    }
    ParagraphText text;
    Runs(p, text, false);
    const std::string prefix = TrimText(text.text).empty() ? "" : numbering.Prefix(numId, level);
    // A line break inside a paragraph starts a line of its own, bold or not on its own.
    size_t start = 0, line = 0;
    do {
        const size_t end = std::min(text.text.find('\n', start), text.text.size());
        // (A line feed typed inside a text element is a line without a count of its own.)
        const size_t letters = line < text.letters.size() ? text.letters[line] : 0;
        const size_t emphasised = line < text.emphasised.size() ? text.emphasised[line] : 0;
        lines.push_back({(start == 0 ? prefix : "") + text.text.substr(start, end - start),
                         letters && emphasised * 10 >= letters * 6});
        start = end + 1;
        ++line;
    } while (start <= text.text.size());
}

// A table's rows of cell texts, for a table that is a sheet of questions.
using Table = std::vector<std::vector<std::string>>;

void Block(const XmlNode& node, Numbering& numbering, std::vector<TextBankLine>& lines, std::vector<Table>* tables = nullptr)
{
    for (const XmlNode& child : node.children) {
        if (child.name == "p") {
            Paragraph(child, numbering, lines);
        } else if (child.name == "tbl") {
            if (tables) tables->emplace_back();
            // A simple table row by row: its cells' text on one line, tab between.
            for (const XmlNode* row : child.Children("tr")) {
                std::vector<TextBankLine> cells;
                bool simple = true;
                if (tables) tables->back().emplace_back();
                for (const XmlNode* cell : row->Children("tc")) {
                    std::vector<TextBankLine> inCell;
                    Block(*cell, numbering, inCell);
                    simple = simple && inCell.size() <= 1;
                    if (tables) {
                        std::string text;
                        for (const TextBankLine& line : inCell)
                            if (!TrimText(line.text).empty()) text += (text.empty() ? "" : "\n") + TrimText(line.text);
                        tables->back().back().push_back(std::move(text));
                    }
                    cells.insert(cells.end(), inCell.begin(), inCell.end());
                }
                if (!simple) {
                    lines.insert(lines.end(), cells.begin(), cells.end());
                } else {
                    TextBankLine line;
                    for (const TextBankLine& cell : cells) {
                        if (TrimText(cell.text).empty()) continue;
                        line.text += (line.text.empty() ? "" : "\t") + cell.text;
                        line.emphasis = line.emphasis || cell.emphasis;
                    }
                    lines.push_back(line);
                }
            }
            lines.push_back({});
        } else if (!child.IsText() && child.name != "sectPr") {
            Block(child, numbering, lines, tables); // content controls, custom XML
        }
    }
}

bool Part(ZipReader& zip, const std::string& name, std::string& data, unsigned long long& used, std::string& error)
{
    const size_t index = zip.Find(name);
    if (index >= zip.Count()) return false;
    used += zip.Size(index);
    if (used > kMaxImportBytes) {
        error = "The document is refused: its parts, up to \"" + name + "\", come to more than " +
                std::to_string(kMaxImportBytes >> 20) + " MB.";
        return false;
    }
    return zip.Read(index, data, error);
}

} // namespace

bool ReadDocx(std::string_view bytes, ImportResult& result, std::string& error)
{
    ZipReader zip;
    if (!zip.Open(bytes, error)) return false;
    unsigned long long used = 0;
    std::string data;
    Numbering numbering;
    for (const char* name : {"word/numbering.xml", "word/styles.xml"}) {
        if (!Part(zip, name, data, used, error)) {
            if (!error.empty()) return false;
            continue;
        }
        XmlNode root;
        if (!ParseXml(data, root, error)) {
            error = std::string("The document's ") + name + " cannot be read: " + error;
            return false;
        }
        if (name[5] == 'n') ReadNumbering(root, numbering);
        else ReadStyles(root, numbering);
    }
    XmlNode document;
    if (!Part(zip, "word/document.xml", data, used, error)) {
        if (error.empty()) error = "The zip archive is no Word document: it has no word/document.xml.";
        return false;
    }
    if (!ParseXml(data, document, error)) return false;
    std::string().swap(data);
    const XmlNode* body = document.Find("body");
    std::vector<TextBankLine> lines;
    std::vector<Table> tables;
    if (body) Block(*body, numbering, lines, &tables);
    ImportResult asText = result;
    if (!ReadTextLines(lines, asText, error)) return false;
    // A table of questions, a row each (question, answers, key columns): read as a sheet
    // when that finds more questions than reading it as text does.
    ImportResult best = std::move(asText);
    for (Table& table : tables) {
        size_t wide = 0; // rows of three or more filled cells: a question and its answers
        for (const auto& row : table)
            wide += std::count_if(row.begin(), row.end(), [](const std::string& c) { return !c.empty(); }) >= 3;
        if (table.size() < 3 || wide * 2 < table.size()) continue;
        ImportResult asSheet = result;
        std::string sheetError;
        asSheet.source = "Word document";
        if (ReadSheetRows(std::move(table), asSheet, sheetError) && asSheet.read > best.read) {
            asSheet.notes.insert(asSheet.notes.begin(), "The questions are a table's rows, read as a sheet's.");
            best = std::move(asSheet);
        }
    }
    result = std::move(best);
    if (numbering.questions || numbering.choices)
        result.notes.insert(result.notes.begin() + (result.notes.empty() ? 0 : 1),
                            "Word's list numbering: " + std::to_string(numbering.questions) +
                                " paragraphs numbered at the top level read as questions, " +
                                std::to_string(numbering.choices) +
                                " lettered, bulleted or lower-level ones as choices.");
    return true;
}
