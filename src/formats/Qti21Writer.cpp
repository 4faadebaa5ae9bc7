#include "formats/ExamFormats.h"

#include <initializer_list>
#include <string_view>

#include "util/XmlText.h"
#include "util/Zip.h"

namespace {

const char kHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
const char kQtiRoot[] =
    " xmlns=\"http://www.imsglobal.org/xsd/imsqti_v2p1\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
    " xsi:schemaLocation=\"http://www.imsglobal.org/xsd/imsqti_v2p1"
    " http://www.imsglobal.org/xsd/qti/qtiv2p1/imsqti_v2p1.xsd\"";

std::string Xml(const std::string& text) { return EscapedText(text, Markup::Xml); }

// Plain text as the item body's XHTML: escaped, line breaks as <br/>, inside <pre> when HTML
// would fold its white space.
std::string Xhtml(const std::string& text)
{
    const std::string html = EscapedText(text, Markup::Xhtml);
    return HtmlAltersText(text) ? "<pre>" + html + "</pre>" : html;
}

// The same as a block of the item body.
std::string XhtmlBlock(const std::string& text)
{
    return HtmlAltersText(text) ? Xhtml(text) : "<p>" + Xhtml(text) + "</p>";
}

std::string Item(const ExportQuestion& q, const std::string& name)
{
    std::string out = kHead;
    out += "<assessmentItem" + std::string(kQtiRoot) + " identifier=\"" + name + "\" title=\"" + Xml(q.id) +
           "\" adaptive=\"false\" timeDependent=\"false\">\n";
    const bool choice = q.kind == ExportQuestion::Choice || q.kind == ExportQuestion::TrueFalse;
    const char* baseType = choice ? "identifier" : q.kind == ExportQuestion::Numeric ? "float" : "string";
    std::string key = q.kind == ExportQuestion::Choice      ? q.letters[q.correct]
                      : q.kind == ExportQuestion::TrueFalse ? (q.truth ? "true" : "false")
                                                            : Xml(q.answer);
    out += "  <responseDeclaration identifier=\"RESPONSE\" cardinality=\"single\" baseType=\"" + std::string(baseType) +
           "\"><correctResponse><value>" + key + "</value></correctResponse></responseDeclaration>\n";
    out += "  <outcomeDeclaration identifier=\"SCORE\" cardinality=\"single\" baseType=\"float\">"
           "<defaultValue><value>0</value></defaultValue></outcomeDeclaration>\n  <itemBody>\n";
    if (choice) {
        // A prompt holds no <pre>: such a stem goes before the interaction.
        const bool pre = HtmlAltersText(q.stem);
        if (pre) out += "    " + XhtmlBlock(q.stem) + "\n";
        out += "    <choiceInteraction responseIdentifier=\"RESPONSE\" shuffle=\"false\" maxChoices=\"1\">\n";
        if (!pre) out += "      <prompt>" + Xhtml(q.stem) + "</prompt>\n";
        if (q.kind == ExportQuestion::Choice) {
            for (size_t i = 0; i < q.choices.size(); ++i) {
                out += "      <simpleChoice identifier=\"" + q.letters[i] + "\">" + Xhtml(q.choices[i]) +
                       "</simpleChoice>\n";
            }
        } else {
            out += "      <simpleChoice identifier=\"true\">True</simpleChoice>\n"
                   "      <simpleChoice identifier=\"false\">False</simpleChoice>\n";
        }
        out += "    </choiceInteraction>\n";
    } else {
        out += "    " + XhtmlBlock(q.stem) + "\n"
               "    <p><textEntryInteraction responseIdentifier=\"RESPONSE\" expectedLength=\"" +
               std::to_string(q.answer.size() < 20 ? 20 : q.answer.size()) + "\"/></p>\n";
    }
    out += "  </itemBody>\n  <responseProcessing "
           "template=\"http://www.imsglobal.org/question/qti_v2p1/rptemplates/match_correct\"/>\n"
           "</assessmentItem>\n";
    return out;
}

} // namespace

bool WriteQti21Package(const ExamQuestions& exam, std::string& zipBytes)
{
    const std::vector<std::string> names = UniqueXmlNames(exam);
    ZipWriter zip;
    std::string manifest = kHead;
    manifest += "<manifest xmlns=\"http://www.imsglobal.org/xsd/imscp_v1p1\" xmlns:imsmd=\"http://ltsc.ieee.org/xsd/LOM\""
                " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
                " xsi:schemaLocation=\"http://www.imsglobal.org/xsd/imscp_v1p1"
                " http://www.imsglobal.org/xsd/qti/qtiv2p1/qtiv2p1_imscpv1p2_v1p0.xsd"
                " http://ltsc.ieee.org/xsd/LOM http://www.imsglobal.org/xsd/imsmd_loose_v1p3p2.xsd\""
                " identifier=\"exam.manifest\">\n"
                "  <metadata><schema>QTIv2.1 Package</schema><schemaversion>1.0.0</schemaversion></metadata>\n"
                "  <organizations/>\n  <resources>\n";
    // The test: one section per category, in the questions' (grouped) order.
    std::string test = kHead;
    test += "<assessmentTest" + std::string(kQtiRoot) +
            " identifier=\"exam.test\" title=\"Exam\">\n"
            "  <testPart identifier=\"exam.part\" navigationMode=\"nonlinear\" submissionMode=\"simultaneous\">\n";
    std::string dependencies;
    size_t sections = 0;
    // Appended piece by piece: the manifest of 100,000 questions is tens of megabytes.
    auto add = [](std::string& out, std::initializer_list<std::string_view> pieces) {
        for (std::string_view piece : pieces) out += piece;
    };
    for (size_t i = 0; i < exam.questions.size(); ++i) {
        const ExportQuestion& q = exam.questions[i];
        const std::string href = "items/" + names[i] + ".xml";
        if (!zip.Add(href, Item(q, names[i]))) return false;
        add(manifest, {"    <resource identifier=\"R_", names[i], "\" type=\"imsqti_item_xmlv2p1\" href=\"", href,
                       "\">\n      <metadata><imsmd:lom><imsmd:general><imsmd:identifier><imsmd:entry>"});
        AppendEscaped(manifest, q.id, Markup::Xml);
        manifest += "</imsmd:entry></imsmd:identifier>";
        for (const auto& [label, value] : q.objectives) {
            manifest += "<imsmd:keyword><imsmd:string>";
            AppendEscaped(manifest, label + ": " + value, Markup::Xml);
            manifest += "</imsmd:string></imsmd:keyword>";
        }
        add(manifest, {"</imsmd:general></imsmd:lom></metadata>\n      <file href=\"", href, "\"/>\n    </resource>\n"});
        add(dependencies, {"      <dependency identifierref=\"R_", names[i], "\"/>\n"});
        if (i == 0 || q.category != exam.questions[i - 1].category) {
            if (i) test += "    </assessmentSection>\n";
            add(test, {"    <assessmentSection identifier=\"exam.section", std::to_string(++sections), "\" title=\""});
            AppendEscaped(test, q.category.empty() ? std::string("Uncategorized") : q.category, Markup::Xml);
            test += "\" visible=\"true\">\n";
        }
        add(test, {"      <assessmentItemRef identifier=\"", names[i], "\" href=\"", href, "\"/>\n"});
    }
    test += "    </assessmentSection>\n  </testPart>\n</assessmentTest>\n";
    manifest += "    <resource identifier=\"exam.test.resource\" type=\"imsqti_test_xmlv2p1\" href=\"assessment.xml\">\n"
                "      <file href=\"assessment.xml\"/>\n" + dependencies + "    </resource>\n  </resources>\n</manifest>\n";
    if (!zip.Add("assessment.xml", test) || !zip.Add("imsmanifest.xml", manifest)) return false;
    zipBytes = zip.Finish();
    return true;
}
