// A spreadsheet workbook (.xlsx, or an OpenDocument .ods): each sheet's rows of cells, read by the CSV reader's rules.
#include "formats/ImportFormats.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "util/StringUtil.h"
#include "util/XmlReader.h"
#include "util/Zip.h"

namespace {

// Cells a workbook may give, the empty ones a row's gaps make included: a sheet claiming
// a cell in column XFD of every row would otherwise cost gigabytes.
constexpr size_t kMaxSheetCells = 4'000'000;
constexpr size_t kMaxSheetColumns = 16384; // column XFD, the widest a workbook has

// A cell's text without its phonetic guide (<rPh>), rich-text runs joined.
void RichText(const XmlNode& node, std::string& out)
{
    for (const XmlNode& child : node.children) {
        if (child.IsText()) out += child.text;
        else if (child.name != "rPh" && child.name != "phoneticPr") RichText(child, out);
    }
}

// "B12" -> 1; Count past the last letter when there is no reference.
size_t ColumnOfReference(const std::string& ref, size_t next)
{
    size_t column = 0, letters = 0;
    for (char c : ref) {
        if (c < 'A' || c > 'Z') break;
        column = column * 26 + static_cast<size_t>(c - 'A' + 1);
        if (++letters > 3) return kMaxSheetColumns;
    }
    return letters ? column - 1 : next;
}

// A number as the sheet shows it: 0.1, not the 0.10000000000000001 a writer may store.
std::string NumberText(const std::string& v)
{
    if (v.find_first_of(".eE") == std::string::npos) return v;
    char* end = nullptr;
    const double d = std::strtod(v.c_str(), &end);
    if (end == v.c_str() || *end) return v;
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15g", d);
    return buffer;
}

class Workbook {
public:
    bool Open(std::string_view bytes, std::string& error) { return zip_.Open(bytes, error); }

    // The part's bytes, against the import's bound on what it reads; false with `error` when
    // missing or past it.
    bool Part(const std::string& name, std::string& data, std::string& error, bool required = true)
    {
        const size_t index = zip_.Find(name);
        if (index >= zip_.Count()) {
            if (required) error = "The workbook has no part \"" + name + "\".";
            return false;
        }
        used_ += zip_.Size(index);
        if (used_ > kMaxImportBytes) {
            error = "The workbook is refused: its parts, up to \"" + name + "\", come to more than " +
                    std::to_string(kMaxImportBytes >> 20) + " MB.";
            return false;
        }
        return zip_.Read(index, data, error);
    }
    const ZipReader& Zip() const { return zip_; }

private:
    ZipReader zip_;
    unsigned long long used_ = 0;
};

struct Sheet {
    std::string name, part;
};

bool Sheets(Workbook& book, std::vector<Sheet>& sheets, std::string& error)
{
    std::string bytes, rels;
    XmlNode workbook, relations;
    if (!book.Part("xl/workbook.xml", bytes, error) || !ParseXml(bytes, workbook, error)) return false;
    if (!book.Part("xl/_rels/workbook.xml.rels", rels, error) || !ParseXml(rels, relations, error)) return false;
    std::vector<const XmlNode*> found, links;
    workbook.FindAll("sheet", found);
    relations.FindAll("Relationship", links);
    for (const XmlNode* sheet : found) {
        const std::string id = sheet->Attribute("id");
        for (const XmlNode* link : links) {
            if (link->Attribute("Id") != id) continue;
            const std::string target = link->Attribute("Target");
            const std::string part = !target.empty() && target[0] == '/' ? target.substr(1) : "xl/" + target;
            sheets.push_back({sheet->Attribute("name"), part});
            break;
        }
    }
    if (sheets.empty()) error = "The workbook lists no sheets.";
    return !sheets.empty();
}

bool SharedStrings(Workbook& book, std::vector<std::string>& strings, std::string& error)
{
    std::string bytes;
    if (!book.Part("xl/sharedStrings.xml", bytes, error, false)) return error.empty();
    XmlNode root;
    return ParseXmlElements(bytes, "si", root, [&](const XmlNode&, size_t, const XmlNode& si) {
        std::string text;
        RichText(si, text);
        if (text.size() > kMaxImportText) throw ImportTooLarge(TextTooLong("a shared string"));
        strings.push_back(std::move(text));
    }, error);
}

bool SheetRows(Workbook& book, const Sheet& sheet, const std::vector<std::string>& strings,
               std::vector<std::vector<std::string>>& rows, size_t& cells, std::string& error)
{
    std::string bytes;
    if (!book.Part(ZipPathKey(sheet.part), bytes, error)) return false;
    XmlNode root;
    bool badIndex = false;
    const bool ok = ParseXmlElements(bytes, "row", root, [&](const XmlNode&, size_t, const XmlNode& row) {
        std::vector<std::string> r;
        bool filled = false;
        for (const XmlNode* c : row.Children("c")) {
            const size_t column = ColumnOfReference(c->Attribute("r"), r.size());
            if (column >= kMaxSheetColumns) continue;
            const std::string type = c->Attribute("t");
            std::string value;
            if (type == "inlineStr") {
                if (const XmlNode* is = c->Child("is")) RichText(*is, value);
            } else {
                value = c->ChildText("v");
                if (type == "s") {
                    const size_t index = std::strtoul(value.c_str(), nullptr, 10);
                    badIndex = badIndex || index >= strings.size();
                    value = index < strings.size() ? strings[index] : "";
                } else if (type == "b") {
                    value = value == "1" ? "TRUE" : "FALSE";
                } else if (type.empty() || type == "n") {
                    value = NumberText(value);
                }
            }
            if (value.empty()) continue;
            if (column >= r.size()) {
                cells += column + 1 - r.size();
                if (cells > kMaxSheetCells)
                    throw ImportTooLarge("The sheet \"" + sheet.name + "\" holds more than " +
                                         GroupedNumber(kMaxSheetCells) + " cells, more than one import reads.");
                r.resize(column + 1);
            }
            r[column] = std::move(value);
            filled = true;
        }
        if (filled) rows.push_back(std::move(r));
    }, error);
    if (badIndex) error = "The sheet \"" + sheet.name + "\" names shared strings the workbook does not have.";
    return ok && !badIndex;
}

// An OpenDocument cell's text: its paragraphs, with the spaces, tabs and breaks they mark.
void CellText(const XmlNode& node, std::string& out)
{
    for (const XmlNode& child : node.children) {
        if (child.IsText()) out += child.text;
        else if (child.name == "s") {
            const std::string count = child.Attribute("c");
            out.append(count.empty() ? 1 : std::min<size_t>(std::strtoul(count.c_str(), nullptr, 10), 64), ' ');
        }
        else if (child.name == "tab") out += '\t';
        else if (child.name == "line-break") out += '\n';
        else if (child.name == "p" || child.name == "h") {
            if (!out.empty()) out += '\n';
            CellText(child, out);
        } else if (child.name != "annotation") CellText(child, out); // spans, links; not comments
    }
}

// An OpenDocument spreadsheet's tables as rows. Repeated cells and rows are written out
// only when they hold text, so a sheet padded to its last column costs nothing.
bool OdsSheets(Workbook& book, std::vector<std::pair<Sheet, std::vector<std::vector<std::string>>>>& sheets,
               std::string& error)
{
    std::string bytes;
    XmlNode root;
    if (!book.Part("content.xml", bytes, error) || !ParseXml(bytes, root, error)) return false;
    std::vector<const XmlNode*> tables;
    root.FindAll("table", tables);
    size_t cells = 0;
    for (const XmlNode* table : tables) {
        std::vector<std::vector<std::string>> rows;
        std::vector<const XmlNode*> found;
        table->FindAll("table-row", found);
        for (const XmlNode* row : found) {
            std::vector<std::string> r;
            size_t column = 0;
            for (const XmlNode& child : row->children) {
                const XmlNode* cell = &child;
                if (cell->name != "table-cell" && cell->name != "covered-table-cell") continue;
                const size_t repeat = std::max<size_t>(1, std::strtoul(cell->Attribute("number-columns-repeated").c_str(), nullptr, 10));
                std::string value;
                CellText(*cell, value);
                if (value.empty() && cell->Attribute("value-type") == "float") value = NumberText(cell->Attribute("value"));
                for (size_t i = 0; i < repeat && !value.empty() && column + i < kMaxSheetColumns; ++i) {
                    cells += column + i + 1 - r.size();
                    if (cells > kMaxSheetCells)
                        throw ImportTooLarge("The sheet \"" + table->Attribute("name") + "\" holds more than " +
                                             GroupedNumber(kMaxSheetCells) + " cells, more than one import reads.");
                    r.resize(column + i + 1);
                    r[column + i] = value;
                }
                column = std::min<size_t>(column + repeat, kMaxSheetColumns);
            }
            if (r.empty()) continue;
            const size_t repeat = std::max<size_t>(1, std::strtoul(row->Attribute("number-rows-repeated").c_str(), nullptr, 10));
            for (size_t i = 0; i < repeat; ++i) {
                if ((cells += r.size()) > kMaxSheetCells)
                    throw ImportTooLarge("The sheet \"" + table->Attribute("name") + "\" holds more than " +
                                         GroupedNumber(kMaxSheetCells) + " cells, more than one import reads.");
                rows.push_back(r);
            }
        }
        sheets.push_back({Sheet{table->Attribute("name"), ""}, std::move(rows)});
    }
    if (sheets.empty()) error = "The spreadsheet holds no tables.";
    return !sheets.empty();
}

} // namespace

std::string OfficeZipKind(std::string_view bytes)
{
    ZipReader zip;
    std::string error;
    if (!zip.Open(bytes, error)) return "";
    if (zip.Find("xl/workbook.xml") < zip.Count()) return "xlsx";
    if (zip.Find("content.xml") < zip.Count() && zip.Find("mimetype") < zip.Count()) {
        std::string kind;
        if (zip.Read(zip.Find("mimetype"), kind, error) && kind.find("opendocument.spreadsheet") != std::string::npos)
            return "xlsx"; // read by the same rules
    }
    if (zip.Find("word/document.xml") < zip.Count()) return "docx";
    return "";
}

bool ReadXlsx(std::string_view bytes, ImportResult& result, std::string& error)
{
    Workbook book;
    std::vector<Sheet> sheets;
    std::vector<std::string> strings;
    std::vector<std::pair<Sheet, std::vector<std::vector<std::string>>>> odsSheets;
    if (!book.Open(bytes, error)) return false;
    const bool ods = book.Zip().Find("xl/workbook.xml") >= book.Zip().Count() && book.Zip().Find("content.xml") < book.Zip().Count();
    if (ods) {
        if (!OdsSheets(book, odsSheets, error)) return false;
        for (const auto& [sheet, rows] : odsSheets) sheets.push_back(sheet);
    } else if (!Sheets(book, sheets, error) || !SharedStrings(book, strings, error)) {
        return false;
    }
    // Each sheet in turn; one without a question column is passed over with a note.
    std::string firstError;
    size_t cells = 0, readSheets = 0;
    for (size_t s = 0; s < sheets.size(); ++s) {
        const Sheet& sheet = sheets[s];
        std::vector<std::vector<std::string>> rows;
        if (ods) rows = std::move(odsSheets[s].second);
        else if (!SheetRows(book, sheet, strings, rows, cells, error)) return false;
        if (rows.empty()) continue;
        const size_t before = result.items.size(), notesBefore = result.notes.size();
        std::string sheetError;
        if (!ReadSheetRows(std::move(rows), result, sheetError)) {
            result.notes.resize(notesBefore);
            // The CSV reader's words for a file, said of the sheet.
            const std::pair<std::string, std::string> words[] = {
                {"The CSV file's first line", "The sheet's first row"}, {"the CSV file", "the sheet"}};
            for (const auto& [from, to] : words)
                if (sheetError.find(from) != std::string::npos) sheetError.replace(sheetError.find(from), from.size(), to);
            if (firstError.empty()) firstError = "Sheet \"" + sheet.name + "\": " + sheetError;
            result.notes.push_back("Sheet \"" + sheet.name + "\" is not read: " + sheetError);
            continue;
        }
        ++readSheets;
        result.notes.insert(result.notes.begin() + static_cast<long>(notesBefore),
                            "Sheet \"" + sheet.name + "\": " + std::to_string(result.items.size() - before) +
                                " questions.");
    }
    if (readSheets == 0) {
        error = firstError.empty() ? "The workbook's sheets are empty." : firstError;
        return false;
    }
    return true;
}
