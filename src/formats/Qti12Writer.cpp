#include "formats/ExamFormats.h"

#include "util/XmlText.h"
#include "util/Zip.h"

namespace {

std::string Xml(const std::string& text) { return EscapedText(text, Markup::Xml); }

// Canvas reads mattext as HTML: plain text made HTML (inside <pre> when HTML would fold its
// white space), then escaped for the XML.
std::string HtmlMattext(const std::string& text)
{
    std::string html = EscapedText(text, Markup::Html);
    if (HtmlAltersText(text)) html = "<pre>" + html + "</pre>";
    return "<material><mattext texttype=\"text/html\">" + EscapedText(html, Markup::Xml) + "</mattext></material>";
}

void Field(std::string& out, const std::string& label, const std::string& entry)
{
    out += "          <qtimetadatafield><fieldlabel>" + Xml(label) + "</fieldlabel><fieldentry>" + Xml(entry) +
           "</fieldentry></qtimetadatafield>\n";
}

std::string Condition(const std::string& test)
{
    return "        <respcondition continue=\"No\"><conditionvar>" + test +
           "</conditionvar><setvar action=\"Set\" varname=\"SCORE\">100</setvar></respcondition>\n";
}

void Item(std::string& out, const ExportQuestion& q, const std::string& name)
{
    static const char* const kTypes[] = {"multiple_choice_question", "true_false_question", "numerical_question",
                                         "short_answer_question"};
    out += "      <item ident=\"" + name + "\" title=\"" + Xml(q.id) + "\">\n"
           "        <itemmetadata><qtimetadata>\n";
    Field(out, "question_type", kTypes[q.kind]);
    Field(out, "points_possible", "1.0");
    if (!q.category.empty()) Field(out, "category", q.category);
    for (const auto& [label, value] : q.objectives) Field(out, label, value);
    out += "        </qtimetadata></itemmetadata>\n        <presentation>\n          " + HtmlMattext(q.stem) + "\n";
    std::string test;
    if (q.kind == ExportQuestion::Choice || q.kind == ExportQuestion::TrueFalse) {
        out += "          <response_lid ident=\"response1\" rcardinality=\"Single\"><render_choice>\n";
        if (q.kind == ExportQuestion::Choice) {
            for (size_t i = 0; i < q.choices.size(); ++i)
                out += "            <response_label ident=\"" + q.letters[i] + "\">" + HtmlMattext(q.choices[i]) +
                       "</response_label>\n";
            test = "<varequal respident=\"response1\">" + q.letters[q.correct] + "</varequal>";
        } else {
            out += "            <response_label ident=\"true\"><material><mattext texttype=\"text/plain\">True</mattext>"
                   "</material></response_label>\n"
                   "            <response_label ident=\"false\"><material><mattext texttype=\"text/plain\">False"
                   "</mattext></material></response_label>\n";
            test = std::string("<varequal respident=\"response1\">") + (q.truth ? "true" : "false") + "</varequal>";
        }
        out += "          </render_choice></response_lid>\n";
    } else {
        const bool numeric = q.kind == ExportQuestion::Numeric;
        out += std::string("          <response_str ident=\"response1\" rcardinality=\"Single\"><render_fib fibtype=\"") +
               (numeric ? "Decimal" : "String") + "\"><response_label ident=\"answer1\"/></render_fib></response_str>\n";
        const std::string value = Xml(q.answer);
        // An exact number as Canvas writes one: equal, or within [value, value].
        test = numeric ? "<or><varequal respident=\"response1\">" + value + "</varequal><and><vargte respident=\"response1\">" +
                             value + "</vargte><varlte respident=\"response1\">" + value + "</varlte></and></or>"
                       : "<varequal respident=\"response1\">" + value + "</varequal>";
    }
    // Feedback as Canvas writes it: the general one on <other/>, each choice's on its ident,
    // both before the marks, and the texts after them.
    std::vector<std::pair<std::string, std::string>> feedback; // linkrefid, text
    std::string shows;
    auto show = [&](const std::string& test, const std::string& ref, const std::string& text) {
        shows += "          <respcondition continue=\"Yes\"><conditionvar>" + test +
                 "</conditionvar><displayfeedback feedbacktype=\"Response\" linkrefid=\"" + ref + "\"/></respcondition>\n";
        feedback.emplace_back(ref, text);
    };
    if (!q.generalFeedback.empty()) show("<other/>", "general_fb", q.generalFeedback);
    if (q.kind == ExportQuestion::Choice || q.kind == ExportQuestion::TrueFalse) {
        const std::vector<std::string> tf = {"true", "false"};
        const std::vector<std::string>& idents = q.kind == ExportQuestion::Choice ? q.letters : tf;
        for (const std::string& ident : idents) {
            const std::string response = q.kind == ExportQuestion::Choice ? ident : ident == "true" ? "True" : "False";
            auto found = q.feedback.find(response);
            if (found != q.feedback.end())
                show("<varequal respident=\"response1\">" + ident + "</varequal>", ident + "_fb", found->second);
        }
    }
    out += "        </presentation>\n        <resprocessing>\n"
           "          <outcomes><decvar maxvalue=\"100\" minvalue=\"0\" varname=\"SCORE\" vartype=\"Decimal\"/></outcomes>\n" +
           shows + Condition(test) + "        </resprocessing>\n";
    for (const auto& [ref, text] : feedback)
        out += "        <itemfeedback ident=\"" + ref + "\"><flow_mat>" + HtmlMattext(text) + "</flow_mat></itemfeedback>\n";
    out += "      </item>\n";
}

} // namespace

bool WriteQti12Package(const ExamQuestions& exam, std::string& zipBytes)
{
    const std::vector<std::string> names = UniqueXmlNames(exam);
    std::string assessment =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<questestinterop xmlns=\"http://www.imsglobal.org/xsd/ims_qtiasiv1p2\""
        " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
        " xsi:schemaLocation=\"http://www.imsglobal.org/xsd/ims_qtiasiv1p2"
        " http://www.imsglobal.org/xsd/ims_qtiasiv1p2p1.xsd\">\n"
        "  <assessment ident=\"exam.assessment\" title=\"Exam\">\n    <section ident=\"root_section\">\n";
    for (size_t i = 0; i < exam.questions.size(); ++i) Item(assessment, exam.questions[i], names[i]);
    assessment += "    </section>\n  </assessment>\n</questestinterop>\n";
    const std::string manifest =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<manifest identifier=\"exam.manifest\" xmlns=\"http://www.imsglobal.org/xsd/imscp_v1p1\">\n"
        "  <metadata><schema>IMS Content</schema><schemaversion>1.1.3</schemaversion></metadata>\n"
        "  <organizations/>\n  <resources>\n"
        "    <resource identifier=\"exam.resource\" type=\"imsqti_xmlv1p2\" href=\"assessment.xml\">\n"
        "      <file href=\"assessment.xml\"/>\n    </resource>\n  </resources>\n</manifest>\n";
    ZipWriter zip;
    if (!zip.Add("assessment.xml", assessment) || !zip.Add("imsmanifest.xml", manifest)) return false;
    zipBytes = zip.Finish();
    return true;
}
