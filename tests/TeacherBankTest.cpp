// Banks as teachers keep them: a spreadsheet, Aiken, a numbered text list and that list in
// Word (typed numbers and Word's own list numbering); the text rules case by case.
#include <gtest/gtest.h>

#include "formats/ImportFormats.h"
#include "TestUtil.h"
#include "util/StringUtil.h"
#include "util/Zip.h"

namespace {

struct Expect {
    std::string stem;
    std::vector<std::string> choices; // none: a true/false or written answer
    json correct;
};

void ExpectItems(const json& items, const std::vector<Expect>& expected, const std::string& where)
{
    ASSERT_EQ(items.size(), expected.size()) << where << "\n" << items.dump(1);
    for (size_t i = 0; i < expected.size(); ++i) {
        const json& item = items[i];
        const Expect& e = expected[i];
        EXPECT_EQ(item["question"], e.stem) << where << " #" << i + 1;
        EXPECT_EQ(item.value("correct", json()), e.correct) << where << " #" << i + 1;
        std::vector<std::string> choices;
        if (item.contains("choices"))
            for (const auto& [letter, text] : item["choices"].items()) choices.push_back(text.get<std::string>());
        EXPECT_EQ(choices, e.choices) << where << " #" << i + 1;
    }
}

// The bank made by tests/make-teacher-banks.py as each producer writes it: 16 questions.
TEST(TeacherBanks, AllSixteenQuestionsComeInWithStemChoicesAndKey)
{
    const struct {
        const char* file;
        ImportFormat detected;
        std::vector<Expect> items;
    } kFiles[] = {
        {"sheet.xlsx", ImportFormat::Xlsx,
         {{"What is the capital of France?", {"Berlin", "Paris", "Rome", "Madrid"}, "B"},
          {"How many sides has a hexagon?", {"5", "6", "7", "8"}, "B"},
          {"Which gas do plants take in?", {"Oxygen", "Nitrogen", "Carbon dioxide", "Helium"}, "C"},
          {"What is 0.1 + 0.2 rounded to one place?", {"0.3", "0.4", "0.2", "1"}, "A"}}},
        {"aiken.txt", ImportFormat::Aiken,
         {{"Is this a well-formed Aiken question?", {"Yes", "No"}, "A"},
          {"Which planet is largest?", {"Mars", "Jupiter", "Venus", "Earth", "Mercury"}, "B"},
          {"What does CPU stand for?", {"Central Processing Unit", "Computer Personal Unit", "Central Program Utility"}, "A"}}},
        {"starred.txt", ImportFormat::Text,
         {{"Which of these is a prime number?", {"4", "6", "7", "9"}, "C"},
          {"The chemical symbol for gold is:", {"Ag", "Au", "Gd", "Go"}, "B"},
          {"Which ocean is the largest?", {"Atlantic", "Indian", "Pacific"}, "C"}}},
        {"typed.docx", ImportFormat::Docx,
         {{"Who wrote Hamlet?", {"Marlowe", "Shakespeare", "Jonson"}, "B"},
          {"What is 12 x 12?", {"124", "144", "132", "154"}, "B"},
          {"Water boils at sea level at:", {"90 C", "100 C", "110 C"}, "B"}}},
        {"numbered.docx", ImportFormat::Docx,
         {{"Which is a mammal?", {"Shark", "Dolphin", "Trout", "Eel"}, "B"},
          {"What is the square root of 81?", {"8", "9", "7"}, "B"},
          {"Which continent is Egypt in?", {"Asia", "Europe", "Africa"}, "C"}}},
    };
    size_t total = 0;
    for (const auto& f : kFiles) {
        ImportedBank bank;
        std::string error;
        ASSERT_TRUE(ImportBankFile(DataFile(std::string("import/teacher/") + f.file), ImportFormat::Auto, bank, error))
            << f.file << ": " << error;
        EXPECT_EQ(bank.format, f.detected) << f.file;
        ExpectItems(bank.document["items"], f.items, f.file);
        total += f.items.size();
    }
    EXPECT_EQ(total, 16u);
}

json ReadText(const std::string& text, std::vector<std::string>* notes = nullptr)
{
    ImportResult result;
    std::string error;
    result.source = "plain text";
    EXPECT_TRUE(ReadTextBank(text, result, error)) << error;
    if (notes) *notes = result.notes;
    return result.items;
}

// One case per way a teacher writes a question, its choices or its key.
TEST(TextBank, NumbersLettersAndKeysAsTeachersWriteThem)
{
    const struct {
        const char* text;
        std::vector<Expect> items;
    } kCases[] = {
        // Question numbers and choice letters in each style, the key on its own line.
        {"Q1. One?\n(a) x\n(b) y\nAns: b\n\nQuestion 2: Two?\nA) p\nB) q\nCorrect: A\n\n3) Three?\na. m\nb. n\nANSWER: B\n",
         {{"One?", {"x", "y"}, "B"}, {"Two?", {"p", "q"}, "A"}, {"Three?", {"m", "n"}, "B"}}},
        // The key as the choice's text, or as "B) text".
        {"1. Capital?\na) Rome\nb) Paris\nAnswer: Paris\n2. Sum?\na) 3\nb) 4\nCorrect answer - B) 4\n",
         {{"Capital?", {"Rome", "Paris"}, "B"}, {"Sum?", {"3", "4"}, "B"}}},
        // A stem over several lines, a choice over two, no blank lines between questions.
        {"1. Read this:\n   x = 1\nWhat is x?\na) one\n   (written out)\nb) two\n*c) three\n2. Next?\n*a) yes\nb) no\n"
         "3. Last?\nA) x\nB) y*\n",
         {{"Read this:\nx = 1\nWhat is x?", {"one\n(written out)", "two", "three"}, "C"}, {"Next?", {"yes", "no"}, "A"},
          {"Last?", {"x", "y"}, "B"}}},
        // '-' bullets with a starred key; all-starred Markdown bullets are no key; a box.
        {"1. Pick\n- red\n* blue\n- green\nAnswer: 3\n\n2. Again\n* a1\n* a2\n\n3. Box\n- [ ] no\n- [x] yes\n",
         {{"Pick", {"red", "blue", "green"}, "C"}, {"Again", {"a1", "a2"}, "A"}, {"Box", {"no", "yes"}, "B"}}},
        // True/False as two choices or as a bare answer; a written answer.
        {"1. Sky is blue.\na) True\nb) False\nAnswer: a\n\n2. T/F: Fire is cold.\nAnswer: False\n\n3. 6 x 7?\nAnswer: 42\n",
         {{"Sky is blue.", {}, "True"}, {"T/F: Fire is cold.", {}, "False"}, {"6 x 7?", {}, 42}}},
        // Markdown: headings, bold markers, a code fence kept in the stem.
        {"# Quiz\n\n## 1. What prints?\n```\nprint(1)\n```\n- **1**\n- 2\n**Answer:** A\n",
         {{"What prints?\n```\nprint(1)\n```", {"1", "2"}, "A"}}},
        // A heading's number over the stem; bullets only with an answer line.
        {"### Question 1\n\nIs it?\n\n- True\n- False\n\nAnswer: B\n", {{"Is it?", {}, "False"}}},
        // A choice letter out of turn is text of the stem, not a choice ("A. Lincoln").
        {"1. Who said it?\nb) no\na) Lincoln\nb) Grant\nAnswer: a\n", {{"Who said it?\nb) no", {"Lincoln", "Grant"}, "A"}}},
        // Every question numbered 1, "... " feedback lines, '+'/'-' lines before the lettered
        // choices (stem, not choices), "Title:" lines between questions.
        {"Title: Q\n1.  What is 2+3?\n... General.\n+   Right.\n-   Wrong.\na)  6\n... No.\n*b) 5\n\n"
         "Title: R\n1.  Next?\na) x\n*b) y\n",
         {{"What is 2+3?\n- Right.\n- Wrong.", {"6", "5"}, "B"}, {"Next?", {"x", "y"}, "B"}}},
        // Markdown checkboxes under "1 . " with no answer line; a heading over a bulleted stem,
        // an "Options:" label, and a bulleted answer line; an answer in another language.
        {"### 1 . Which scenario?\n\n- [ ] a&nbsp;finance\n- [x] a migration\n\n"
         "## Question 2\n\n- Which level?\n- Options:\n  - A) Town\n  - B) Federal\n- Answer: B) Federal\n\n"
         "3. Amir Temur?\nA) 1336\nB) 1337\nTo'g'ri javob: A\n",
         {{"Which scenario?", {"a finance", "a migration"}, "B"}, {"Which level?", {"Town", "Federal"}, "B"},
          {"Amir Temur?", {"1336", "1337"}, "A"}}},
        // A number alone over its stem, a comment, a stem over paragraphs, the key in a
        // <details> block whose own list repeats the choices.
        {"## 1.\n<!--\nsource: exam\nyear: 2024\n-->\n\nThe teacher explains.\n\nWhat forms?\n\n- A. A compound\n- B. A mix\n\n"
         "<details>\n<summary>Answer</summary>\n\n- A. ==A compound== \xE2\x9C\x85\n\n**Respuesta: A**\n\nBecause.\n</details>\n\n"
         "## 2.\n\nNext?\n\n- A. p\n- B. q\n\n<details><summary>Answer</summary>\n**Respuesta: B**\n</details>\n",
         {{"The teacher explains.\nWhat forms?", {"A compound", "A mix"}, "A"}, {"Next?", {"p", "q"}, "B"}}},
        // "Question 1" over "Question: ...", choices after "Option A:", a "Motivation:" line.
        {"Question 1\nQuestion: What does OSPF do?\nOption A: Names.\nOption B: Paths.\nCorrect Answer: B\nMotivation: Links.\n",
         {{"What does OSPF do?", {"Names.", "Paths."}, "B"}}},
        // Choices typed "A text" with no mark after the letter, questions with no blank line
        // between; a stem that starts with "A " is still a stem.
        {"A code has how many books?\nA note: count them.\nA six books\nB eight books\nANSWER: A\nA rule means:\nA good faith\nB bad faith\nANSWER: B\n",
         {{"A code has how many books?\nA note: count them.", {"six books", "eight books"}, "A"}, {"A rule means:", {"good faith", "bad faith"}, "B"}}},
        // A <details> block or a comment never closed hides nothing after it.
        {"1. A?\na) x\nb) y\n<details>\nAnswer: B\n\n2. B?\n<!-- note\na) p\nb) q\nAnswer: A\n",
         {{"A?", {"x", "y"}, "B"}, {"B?\n<!-- note", {"p", "q"}, "A"}}},
        // True and false typed alone as two unlettered choices; "Yes" and "No" are not.
        {"1. La tierra es redonda.\n Falso\nVerdadero \nRespuesta: Verdadero\n\n2. Is it?\nYes\nNo\nAnswer: No\n",
         {{"La tierra es redonda.", {}, "True"}, {"Is it?\nYes\nNo", {}, "False"}}},
    };
    for (const auto& c : kCases) ExpectItems(ReadText(c.text), c.items, c.text);
}

TEST(TextBank, WhatCannotBeKeptIsSaid)
{
    std::vector<std::string> notes;
    // A title and a line between questions are no questions; two starred keys are
    // several answers; an answer line over a star wins, with a note.
    const json items = ReadText("Unit 3 Quiz\n\n1. Both?\n*a) x\n*b) y\nc) z\n\n2. Key?\n*a) x\nb) y\nAnswer: b\n", &notes);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]["correct"], "B");
    const std::string all = [&] {
        std::string s;
        for (const std::string& n : notes) s += n + "\n";
        return s;
    }();
    EXPECT_NE(all.find("\"Unit 3 Quiz\" has no choices and no answer"), std::string::npos) << all;
    EXPECT_NE(all.find("left out: multiple-answer"), std::string::npos) << all;
    EXPECT_NE(all.find("the answer line is taken"), std::string::npos) << all;
    EXPECT_NE(all.find("Read as plain text: 1 numbered question"), std::string::npos) << all;
}

std::string Docx(const std::string& body, const std::string& numbering = "", const std::string& styles = "")
{
    ZipWriter zip;
    zip.Add("word/document.xml", "<w:document xmlns:w=\"w\"><w:body>" + body + "</w:body></w:document>");
    if (!numbering.empty()) zip.Add("word/numbering.xml", "<w:numbering xmlns:w=\"w\">" + numbering + "</w:numbering>");
    if (!styles.empty()) zip.Add("word/styles.xml", "<w:styles xmlns:w=\"w\">" + styles + "</w:styles>");
    return zip.Finish();
}

std::string P(const std::string& runs, const std::string& pPr = "")
{
    return "<w:p>" + (pPr.empty() ? "" : "<w:pPr>" + pPr + "</w:pPr>") + runs + "</w:p>";
}
std::string R(const std::string& text, bool bold = false)
{
    return std::string("<w:r>") + (bold ? "<w:rPr><w:b/></w:rPr>" : "") + "<w:t>" + text + "</w:t></w:r>";
}

json ReadDocument(const std::string& bytes, std::vector<std::string>* notes = nullptr)
{
    ImportedBank bank;
    std::string error;
    EXPECT_TRUE(ImportBankBytes(bytes, u"x.docx", ImportFormat::Auto, bank, error)) << error;
    EXPECT_EQ(bank.format, ImportFormat::Docx);
    if (notes) *notes = bank.notes;
    return bank.document.value("items", json::array());
}

TEST(WordDocument, RunsTablesBreaksStylesAndBoldKeys)
{
    // Runs joined, a line break splitting stem from choices, a table row by row, numbering
    // by a paragraph style, a deleted run left out; bold marks the key only when nothing else does.
    const std::string numbering =
        "<w:abstractNum w:abstractNumId=\"7\"><w:lvl w:ilvl=\"0\"><w:numFmt w:val=\"decimal\"/></w:lvl>"
        "<w:lvl w:ilvl=\"1\"><w:numFmt w:val=\"upperLetter\"/></w:lvl></w:abstractNum>"
        "<w:num w:numId=\"3\"><w:abstractNumId w:val=\"7\"/></w:num>";
    const std::string styles = "<w:style w:styleId=\"Q\"><w:pPr><w:numPr><w:numId w:val=\"3\"/></w:numPr></w:pPr></w:style>";
    const std::string body =
        P(R("1. Wh") + R("ich?") + "<w:r><w:br/><w:t>a) one</w:t></w:r>") + P(R("b) ") + R("two", true)) + P("") +
        "<w:tbl><w:tr><w:tc>" + P(R("2.")) + "</w:tc><w:tc>" + P(R("Table?")) + "</w:tc></w:tr>"
        "<w:tr><w:tc>" + P(R("a)")) + "</w:tc><w:tc>" + P(R("x")) + "</w:tc></w:tr>"
        "<w:tr><w:tc>" + P(R("b)")) + "</w:tc><w:tc>" + P(R("y")) + "</w:tc></w:tr></w:tbl>" +
        P(R("Answer: b")) + P(R("Styled?") + "<w:del><w:r><w:delText>gone</w:delText></w:r></w:del>", "<w:pStyle w:val=\"Q\"/>") +
        P(R("no", true), "<w:numPr><w:ilvl w:val=\"1\"/><w:numId w:val=\"3\"/></w:numPr>") +
        P(R("*yes"), "<w:numPr><w:ilvl w:val=\"1\"/><w:numId w:val=\"3\"/></w:numPr>");
    std::vector<std::string> notes;
    const json items = ReadDocument(Docx(body, numbering, styles), &notes);
    ExpectItems(items, {{"Which?", {"one", "two"}, "B"}, {"Table?", {"x", "y"}, "B"}, {"Styled?", {"no", "yes"}, "B"}},
                "docx");
    std::string all;
    for (const std::string& n : notes) all += n + "\n";
    EXPECT_NE(all.find("bold or highlighted choice, B, is taken as the key"), std::string::npos) << all;
    EXPECT_NE(all.find("Word's list numbering: 1 paragraphs numbered at the top level"), std::string::npos) << all;
}

TEST(WordDocument, UnletteredChoicesAfterSelectOneKeyedByHighlight)
{
    // "Question N" headings; a numbered list inside a stem; "Select only one" before plain
    // paragraphs of choices; a choice of two paragraphs between blank ones; a typed bullet
    // on every choice; two marked choices are several answers.
    const std::string numbering = "<w:abstractNum w:abstractNumId=\"1\"><w:lvl w:ilvl=\"0\"><w:numFmt w:val=\"decimal\"/></w:lvl>"
                                  "</w:abstractNum><w:num w:numId=\"2\"><w:abstractNumId w:val=\"1\"/></w:num>";
    const std::string listed = "<w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"2\"/></w:numPr>";
    const std::string body =
        P(R("Question 1")) + P(R("Which line is right?")) + P(R("Int x;"), listed) + P(R("int x;"), listed) +
        P(R("Select only one")) + P(R("Line 1")) + P(R("Line 2", true)) + P("") +
        P(R("Question 2")) + P(R("Which pair?")) + P(R("Select only one of these")) + P(R("float a;")) + P(R("int b;", true)) +
        P("") + P(R("float c;", true)) + P(R("int d;", true)) + P("") +
        P(R("Question 3")) + P(R("Order?")) + P(R("Choose one:")) + P(R("-first, second")) + P(R("-second, first", true)) +
        P(R("Question 4")) + P(R("Which two?")) + P(R("Select one:")) + P(R("p", true)) + P(R("q")) + P(R("r", true));
    std::vector<std::string> notes;
    const json items = ReadDocument(Docx(body, numbering, ""), &notes);
    ExpectItems(items,
                {{"Which line is right?\n1. Int x;\n2. int x;", {"Line 1", "Line 2"}, "B"},
                 {"Which pair?", {"float a;\nint b;", "float c;\nint d;"}, "B"},
                 {"Order?", {"first, second", "second, first"}, "B"}},
                "docx");
    std::string all;
    for (const std::string& n : notes) all += n + "\n";
    EXPECT_NE(all.find("multiple-answer"), std::string::npos) << all;
}

TEST(WordDocument, ChoicesSplitByLineBreaksAreBoldEachOnTheirOwn)
{
    const std::string body = P(R("1. Which is valid?")) +
                             P(R("a) x = 1") + "<w:r><w:br/></w:r>" + R("b) y == 2", true) + "<w:r><w:br/></w:r>" + R("c) z"));
    const json items = ReadDocument(Docx(body));
    ExpectItems(items, {{"Which is valid?", {"x = 1", "y == 2", "z"}, "B"}}, "docx");
}

TEST(WordDocument, ATableOfQuestionsReadAsASheet)
{
    // One row a question: its number, text, the right answer and the others; a cell of two
    // paragraphs is one text.
    auto row = [](const std::vector<std::string>& cells) {
        std::string r = "<w:tr>";
        for (const std::string& c : cells) r += "<w:tc>" + c + "</w:tc>";
        return r + "</w:tr>";
    };
    const std::string body =
        P(R("Final test")) + "<w:tbl>" + row({P(R("No")), P(R("Question")), P(R("Correct answer")), P(R("Wrong 1")), P(R("Wrong 2"))}) +
        row({P(R("1")), P(R("Choose the word.")) + P(R("I ___ here.")), P(R("am")), P(R("is")), P(R("are"))}) +
        row({P(R("2")), P(R("Capital of France?")), P(R("Paris")), P(R("Rome")), P(R("Oslo"))}) + "</w:tbl>";
    std::vector<std::string> notes;
    const json items = ReadDocument(Docx(body), &notes);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0]["question"], "Choose the word.\nI ___ here.");
    EXPECT_EQ(items[0]["choices"][items[0]["correct"].get<std::string>()], "am");
    EXPECT_EQ(items[1]["choices"][items[1]["correct"].get<std::string>()], "Paris");
}

std::string Xlsx(const std::vector<std::pair<std::string, std::string>>& sheets, const std::string& strings = "")
{
    ZipWriter zip;
    std::string list, rels;
    for (size_t i = 0; i < sheets.size(); ++i) {
        const std::string id = "r" + std::to_string(i + 1);
        list += "<sheet name=\"" + sheets[i].first + "\" sheetId=\"" + std::to_string(i + 1) + "\" r:id=\"" + id + "\"/>";
        rels += "<Relationship Id=\"" + id + "\" Target=\"worksheets/sheet" + std::to_string(i + 1) + ".xml\"/>";
        zip.Add("xl/worksheets/sheet" + std::to_string(i + 1) + ".xml",
                "<worksheet><sheetData>" + sheets[i].second + "</sheetData></worksheet>");
    }
    zip.Add("xl/workbook.xml", "<workbook xmlns:r=\"r\"><sheets>" + list + "</sheets></workbook>");
    zip.Add("xl/_rels/workbook.xml.rels", "<Relationships>" + rels + "</Relationships>");
    if (!strings.empty()) zip.Add("xl/sharedStrings.xml", "<sst>" + strings + "</sst>");
    return zip.Finish();
}

TEST(Spreadsheet, CellKindsGapsAndEachSheetInTurn)
{
    // Shared strings (rich runs joined, a phonetic guide left out), inline strings, numbers
    // as the sheet shows them, booleans; a gap in a row keeps the columns in place; a sheet
    // without a question column is passed over with a note, the next one read.
    const std::string strings = "<si><t>Question</t></si><si><r><t>Ri</t></r><r><t>ch?</t></r><rPh><t>x</t></rPh></si>"
                                "<si><t>A</t></si><si><t>B</t></si><si><t>C</t></si><si><t>Answer</t></si>";
    auto inl = [](const std::string& ref, const std::string& text) {
        return "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + text + "</t></is></c>";
    };
    const std::string notes = "<row r=\"1\">" + inl("A1", "Just notes") + "</row>";
    const std::string quiz =
        "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>2</v></c><c r=\"C1\" t=\"s\"><v>3</v></c>"
        "<c r=\"D1\" t=\"s\"><v>4</v></c><c r=\"E1\" t=\"s\"><v>5</v></c></row>"
        "<row r=\"3\"><c r=\"A3\" t=\"s\"><v>1</v></c><c r=\"B3\"><v>0.30000000000000004</v></c>"
        "<c r=\"C3\"><v>12</v></c><c r=\"D3\" t=\"b\"><v>1</v></c>" + inl("E3", "C") + "</row>"
        "<row r=\"4\">" + inl("A4", "Gap?") + inl("C4", "only B") + inl("D4", "c") + inl("E4", "B") + "</row>";
    ImportedBank bank;
    std::string error;
    ASSERT_TRUE(ImportBankBytes(Xlsx({{"Notes", notes}, {"Quiz", quiz}}, strings), u"x.xlsx", ImportFormat::Auto, bank,
                                error))
        << error;
    EXPECT_EQ(bank.format, ImportFormat::Xlsx);
    ExpectItems(bank.document["items"],
                {{"Rich?", {"0.3", "12", "TRUE"}, "C"}, {"Gap?", {"", "only B", "c"}, "B"}}, "xlsx");
    std::string all;
    for (const std::string& n : bank.notes) all += n + "\n";
    EXPECT_NE(all.find("Sheet \"Notes\" is not read: The sheet's first row names no question column"),
              std::string::npos) << all;
    EXPECT_NE(all.find("Sheet \"Quiz\": 2 questions."), std::string::npos) << all;

    // A shared string the workbook lacks is an error, not a blank.
    ImportedBank none;
    EXPECT_FALSE(ImportBankBytes(Xlsx({{"S", "<row><c t=\"s\"><v>9</v></c></row>"}}), u"x.xlsx", ImportFormat::Auto,
                                 none, error));
    EXPECT_NE(error.find("names shared strings the workbook does not have"), std::string::npos) << error;
}

} // namespace

namespace {

// Detection by content: bullets are a bank only beside answer lines; Aiken only unnumbered
// with "ANSWER:"; a sheet's title row with commas stays CSV.
TEST(Spreadsheet, OpenDocumentCellsRepeatsAndPadding)
{
    // Cells and rows repeated as the file says, but only written out when they hold text; a
    // padded last column and a million empty rows cost nothing; spaces and breaks as marked.
    auto cell = [](const std::string& text, const std::string& attributes = "") {
        return "<table:table-cell" + attributes + "><text:p>" + text + "</text:p></table:table-cell>";
    };
    const std::string content =
        "<office:document-content xmlns:office=\"o\" xmlns:table=\"t\" xmlns:text=\"x\"><office:body><office:spreadsheet>"
        "<table:table table:name=\"Quiz\"><table:table-row>" + cell("Question") + cell("A") + cell("B") + cell("Answer") +
        "<table:table-cell table:number-columns-repeated=\"16000\"/></table:table-row><table:table-row>" +
        cell("How<text:s text:c=\"2\"/>many?<text:line-break/>Count them.") + cell("3", " office:value-type=\"float\"") +
        cell("4") + cell("B") + "</table:table-row><table:table-row>" + cell("Gap?") +
        "<table:table-cell table:number-columns-repeated=\"1\"/>" + cell("x") + cell("b") + "</table:table-row>"
        "<table:table-row table:number-rows-repeated=\"1000000\"><table:table-cell table:number-columns-repeated=\"1024\"/>"
        "</table:table-row></table:table></office:spreadsheet></office:body></office:document-content>";
    ZipWriter zip;
    EXPECT_TRUE(zip.Add("mimetype", "application/vnd.oasis.opendocument.spreadsheet"));
    EXPECT_TRUE(zip.Add("content.xml", content));
    ImportedBank bank;
    std::string error;
    ASSERT_TRUE(ImportBankBytes(zip.Finish(), u"x.ods", ImportFormat::Auto, bank, error)) << error;
    EXPECT_EQ(bank.format, ImportFormat::Xlsx);
    ExpectItems(bank.document["items"], {{"How  many?\nCount them.", {"3", "4"}, "B"}, {"Gap?", {"", "x"}, "B"}}, "ods");
}

TEST(TextBank, DetectedByContent)
{
    const struct {
        const char* text;
        ImportFormat format;
    } kCases[] = {
        {"### Question 1\n\nIs it?\n\n- True\n- False\n\nAnswer: B\n", ImportFormat::Text},
        {"# Notes\n\n- milk\n- eggs\n- bread\n", ImportFormat::Auto},
        {"Which?\nA. x\nB. y\nANSWER: A\n", ImportFormat::Aiken},
        {"1. Which, if any?\na) x\nb) y\n", ImportFormat::Text},
        {"question,a,b,answer\nWhich?,x,y,a\n", ImportFormat::Csv},
        {"### 1 . Which?\n\n- [ ] x\n- [x] y\n", ImportFormat::Text},
        {"## Question 1\n\n- Which?\n- Options:\n  - A) x\n  - B) y\n- Answer: B) y\n", ImportFormat::Text},
        {"PARTE I\nA code has?\nA six\nB eight\nANSWER: A\n", ImportFormat::Aiken},
    };
    for (const auto& c : kCases) EXPECT_EQ(DetectImportFormat(c.text, u"bank.txt"), c.format) << c.text;
}

} // namespace
