// Files shaped a little differently from the ones the readers were written for: other
// names, no header, other encodings, other manifests. Each case is one class of fault seen
// in a real file, made up in the same shape.
#include <gtest/gtest.h>

#include "formats/ExamFormats.h"
#include "formats/ImportFormats.h"
#include "TestUtil.h"
#include "util/StringUtil.h"
#include "util/Zip.h"

namespace {

struct Case {
    const char* name;
    std::string bytes;
    const char* path;
    // Item index, JSON pointer, value ("" checks only that an error names it, below).
    std::vector<std::tuple<size_t, std::string, json>> expected;
    std::vector<std::string> notes; // parts of notes that must be there
};

ImportedBank Read(const Case& c, std::string& error)
{
    ImportedBank bank;
    if (!ImportBankBytes(c.bytes, s2w(c.path), ImportFormat::Auto, bank, error)) ADD_FAILURE() << c.name << ": " << error;
    return bank;
}

std::string Zipped(const std::vector<std::pair<std::string, std::string>>& files)
{
    ZipWriter zip;
    for (const auto& [name, data] : files) EXPECT_TRUE(zip.Add(name, data));
    return zip.Finish();
}

const char kBbItem[] = R"(<item title="Q1"><itemmetadata><bbmd_questiontype>Multiple Choice</bbmd_questiontype></itemmetadata>
<presentation><flow class="Block"><flow class="QUESTION_BLOCK"><flow class="FORMATTED_TEXT_BLOCK"><material><mat_extension>
<mat_formattedtext type="HTML">Which is a prime?</mat_formattedtext></mat_extension></material></flow></flow>
<flow class="RESPONSE_BLOCK"><response_lid ident="response" rcardinality="Single"><render_choice>
<flow_label class="Block"><response_label ident="a1"><flow_mat class="FORMATTED_TEXT_BLOCK"><material><mat_extension><mat_formattedtext type="HTML">4</mat_formattedtext></mat_extension></material></flow_mat></response_label></flow_label>
<flow_label class="Block"><response_label ident="a2"><flow_mat class="FORMATTED_TEXT_BLOCK"><material><mat_extension><mat_formattedtext type="HTML">7</mat_formattedtext></mat_extension></material></flow_mat></response_label></flow_label>
<flow_label class="Block"><response_label ident="a3"><flow_mat class="FORMATTED_TEXT_BLOCK"><material><mat_extension><mat_formattedtext type="HTML">9</mat_formattedtext></mat_extension></material></flow_mat></response_label></flow_label>
</render_choice></response_lid></flow></flow></presentation>
<resprocessing><respcondition title="correct"><conditionvar><varequal respident="response" case="No">a2</varequal></conditionvar>
<setvar variablename="SCORE" action="Set">SCORE.max</setvar></respcondition>
<respcondition title="incorrect"><conditionvar><other/></conditionvar><setvar variablename="SCORE" action="Set">0</setvar></respcondition>
<respcondition><conditionvar><varequal respident="a1" case="No"/></conditionvar><setvar variablename="SCORE" action="Set">0</setvar></respcondition>
</resprocessing></item>)";

std::vector<Case> Cases()
{
    const std::string bbPool = std::string("<questestinterop><assessment title=\"Pool\"><section>") + kBbItem +
                               "</section></assessment></questestinterop>";
    const std::string bbManifest =
        R"(<manifest xmlns:bb="http://www.blackboard.com/content-packaging/"><resources>)"
        R"(<resource bb:file="res00001.dat" bb:title="Pool" identifier="res00001" type="assessment/x-bb-qti-pool"/>)"
        R"(<resource bb:file="res00002.dat" identifier="res00002" type="course/x-bb-coursetoc"/>)"
        R"(</resources></manifest>)";
    const std::string item =
        R"(<assessmentItem xmlns="http://www.imsglobal.org/xsd/imsqti_v2p1" identifier="i1" title="i1">)"
        R"(<responseDeclaration identifier="RESPONSE" cardinality="single" baseType="identifier"><correctResponse><value>B</value></correctResponse></responseDeclaration>)"
        R"(<itemBody><choiceInteraction responseIdentifier="RESPONSE" maxChoices="1"><prompt>Largest planet?</prompt>)"
        R"(<simpleChoice identifier="A">Mars</simpleChoice><simpleChoice identifier="B">Jupiter</simpleChoice></choiceInteraction></itemBody></assessmentItem>)";
    return {
        {"quiz JSON in other words, keyed by an index from 1 (a key equals the number of choices)",
         R"({"domande":[{"testo":"Capitale d'Italia?","opzioni":["Roma","Milano","Napoli"],"risposta_corretta":1,"spiegazione":"La capitale è Roma, da sempre e per sempre."},
                        {"testo":"Quanto fa 2+2?","opzioni":["3","5","4"],"risposta_corretta":3}]})",
         "q.json",
         {{0, "/question", "Capitale d'Italia?"}, {0, "/correct", "A"}, {1, "/correct", "C"},
          {0, "/spiegazione", "La capitale è Roma, da sempre e per sempre."}},
         {"question from \"testo\" (by its values)", "choices from \"opzioni\" (by its values)",
          "counted from 1"}},
        {"two choices with an index key: the index picks the choice, its text the side",
         R"([{"question":"Water is wet?","options":["True","False"],"answer":1},
             {"question":"Fire is cold?","options":["Yes","No"],"answer":0},
             {"question":"Ice is cold?","options":["False","True"],"answer":"B"}])",
         "tf.json",
         {{0, "/type", "true_false"}, {0, "/correct", "False"}, {1, "/correct", "True"}, {2, "/correct", "True"}},
         {}},
        {"an index counted as the file counts, over all its arrays; true/false as an index into (True, False)",
         R"({"easy":[{"q":"Largest ocean?","opts":["Pacific","Indian"],"a":0},{"q":"Smallest?","opts":["Mars","Mercury"],"a":1}],
             "hard":[{"type":"tf","q":"The sun is a star.","a":0}]})",
         "f.json", {{0, "/correct", "A"}, {2, "/correct", "True"}}, {"an index into (True, False)"}},
        {"choices numbered from 1 by their keys, and letters the choices carry themselves",
         R"([{"question":"Pick the third?","choice1":"A. x","choice2":"B. y","choice3":"C. z","answer":3},
             {"question":"Pick the first?","choice1":"A. x","choice2":"B. y","choice3":"C. z","answer":1}])",
         "c.json", {{0, "/correct", "C"}, {0, "/choices/C", "z"}, {1, "/correct", "A"}}, {"own letters"}},
        {"keys of 0 and 1 with no choices anywhere: false and true",
         R"([{"question":"Unix has passwd.","answer":1},{"question":"Water is dry.","answer":0}])", "z.json",
         {{0, "/correct", "True"}, {1, "/correct", "False"}}, {"keys of 0 and 1 without choices"}},
        {"CSV without a header whose choices are longer than their question",
         "1;When was the transistor invented?;In the year nineteen forty-seven at the labs;In the year nineteen forty-five at war;In the year nineteen forty-seven at the labs\n"
         "2;The first chip was made in:;In the year nineteen fifty-eight, by hand;In the year nineteen sixty-eight, in a fab;In the year nineteen fifty-eight, by hand\n",
         "e.csv", {{0, "/question", "When was the transistor invented?"}, {0, "/correct", "A"}, {1, "/correct", "A"}}, {}},
        {"CSV naming its key but not its choice columns", "pregunta,opcion1,opcion2,opcion3,correcta\nWho?,Ana,Luis,Eva,Eva\n",
         "k.csv", {{0, "/choices/C", "Eva"}, {0, "/correct", "C"}}, {}},
        {"GIFT with a blank line inside a question's answers and a category right after a question",
         "::a:: Pick one {\n~x\n\n=y\n}\n$CATEGORY: First\n$CATEGORY: Second\n::b:: Again {\n=p\n~q\n}\n"
         "$CATEGORY: Third\n::c:: Last {\n~p\n=q\n}\n",
         "b.gift",
         {{0, "/correct", "B"}, {1, "/category", "Second"}, {1, "/correct", "A"}, {2, "/category", "Third"}, {2, "/correct", "B"}},
         {"is read as part of them", "A $CATEGORY line directly after a question (first on line 6)"}},
        {"choices kept by letter beside a key of another kind",
         R"([{"pytanie":"Capital of Poland?","opcje":{"tip":1,"A":"Krakow","B":"Warsaw"},"poprawna":"B"}])", "o.json",
         {{0, "/choices/A", "Krakow"}, {0, "/choices/C", json()}, {0, "/correct", "B"}}, {}},
        {"choices as objects in names we do not know, an explanation beside each",
         R"([{"cauHoi":"Which is right?","dapAn":[{"luaChon":"A","noiDung":"wrong one","dung":false,"giaiThich":"because it is not the one"},
                                                  {"luaChon":"B","noiDung":"right one","dung":true,"giaiThich":"because it is the one"}]}])",
         "v.json", {{0, "/choices/B", "right one"}, {0, "/correct", "B"}}, {}},
        {"JSON with a tab typed inside a text, its questions three levels down",
         "{\"sailing\":{\"level1\":{\"m1\":{\"quiz\":[{\"vraag\":\"Wind\tfrom?\",\"opties\":[\"north\",\"south\"],\"correct\":1}]}}}}",
         "d.json", {{0, "/question", "Wind\tfrom?"}, {0, "/correct", "B"}, {0, "/category", "sailing > level1 > m1"}},
         {"1 tab or line break typed inside its texts"}},
        {"questions under several keys come in the file's order, not the keys' alphabetical one",
         R"({"zeilen":{"modules":{"m2":{"quiz":[{"vraag":"First?","opties":["a","b"],"correct":0}]},
                                 "m1":{"quiz":[{"vraag":"Second?","opties":["a","b"],"correct":1}]}},
                      "examen":[{"vraag":"Third?","opties":["a","b"],"correct":0}]},
             "roeien":{"quiz":[{"vraag":"Fourth?","opties":["a","b"],"correct":1}]}})",
         "o.json",
         {{0, "/question", "First?"}, {1, "/question", "Second?"}, {2, "/question", "Third?"}, {3, "/question", "Fourth?"}},
         {}},
        {"flat MathML reads as text; structured MathML as a formula, its JSON-kept TeX unwrapped (QTI and HTML)",
         R"(<assessmentItem xmlns="http://www.imsglobal.org/xsd/imsqti_v2p1" xmlns:m="http://www.w3.org/1998/Math/MathML" identifier="m" title="m">)"
         R"(<responseDeclaration identifier="RESPONSE" cardinality="single" baseType="identifier"><correctResponse><value>A</value></correctResponse></responseDeclaration>)"
         R"(<itemBody><choiceInteraction responseIdentifier="RESPONSE" maxChoices="1"><prompt>If <m:math><m:mi>f</m:mi><m:mo>(</m:mo><m:mi>x</m:mi><m:mo>)</m:mo></m:math> is )"
         R"(<m:math><m:semantics><m:mfrac><m:mn>1</m:mn><m:mn>6</m:mn></m:mfrac><m:annotation encoding="application/json">{"version":"1.1","math":"\\frac{1}{6}"}</m:annotation></m:semantics></m:math>?</prompt>)"
         R"(<simpleChoice identifier="A">yes</simpleChoice><simpleChoice identifier="B">no</simpleChoice></choiceInteraction></itemBody></assessmentItem>)",
         "m.xml", {{0, "/question", "If f(x) is [formula: \\frac{1}{6}]?"}}, {"a formula is shown as [formula: \\frac{1}{6}]"}},
        {"MathML inside the HTML of a Moodle question",
         R"(<quiz><question type="multichoice"><name><text>m</text></name><questiontext format="html"><text><![CDATA[<p>Solve <math><mi>y</mi><mo>=</mo><mn>2</mn></math> and <math><msup><mi>x</mi><mn>2</mn></msup></math></p>]]></text></questiontext>)"
         R"(<answer fraction="100"><text>a</text></answer><answer fraction="0"><text>b</text></answer></question></quiz>)",
         "m.xml", {{0, "/question", "Solve y=2 and [formula: x^2]"}}, {}},
        {"CSV whose header says \"right answer\" in another language, then other answers under names we do not know",
         "\xE2\x84\x96;Savol;To\xE2\x80\x99g\xE2\x80\x99ri javob;Qo\xE2\x80\x99shimcha javob;Qo\xE2\x80\x99shimcha javob\n"
         "1;What is an essay?;A long text;A letter;A film\n2;What is a letter?;A message;A review;A poem\n",
         "u.csv", {{0, "/correct", "A"}, {0, "/choices/A", "A long text"}, {0, "/choices/C", "A film"}}, {"as a wrong answer"}},
        {"JSON cards: a question and its answer in names we do not know",
         R"([{"vprasanje":"Kdo je bil prvi papez?","odgovor":"Apostol Peter","tip":"osebe"},
             {"vprasanje":"Kdo je krstil Jezusa?","odgovor":"Janez Krstnik","tip":"osebe"}])",
         "k.json", {{0, "/type", "numerical"}, {0, "/answer", "Apostol Peter"}, {1, "/answer", "Janez Krstnik"}}, {}},
        {"JSON right answer beside wrong ones under a misspelt name, each answer with its own letter",
         R"([{"question":"1. Basis?","correctAnswer":"C. A contract","incorrectAnswerss":["A. A talk","B. An order","D. A vote"]}])",
         "r.json", {{0, "/correct", "C"}, {0, "/choices/C", "A contract"}, {0, "/choices/A", "A talk"}}, {}},
        {"JSON wrong answers each under a numbered key beside the right answer's text",
         R"({"q1":{"text":"Metrology is","correct":"the science of measurement","w1":"a unit","w2":"a tool","w3":"a law"},
             "q2":{"text":"Pick one","correct":"b","w1":"a","w2":"b"}})",
         "w.json", {{0, "/choices/B", "a unit"}, {0, "/choices/D", "a law"}}, {}},
        {"quizzes listed under a key, each with its questions; choice objects kept by letter",
         R"({"games":[{"questions":[{"question":"Which is densest?","content":["Silver","Cork"],"correct":0}]},
                      {"title":"Maths","questoes":[{"texto":"Quanto e 2+2?","opcoes":{"A":{"texto":"three","correta":false},
                                                                                   "B":{"texto":"four","correta":true}}}]}]})",
         "g.json", {{0, "/correct", "A"}, {1, "/category", "Maths"}, {1, "/choices/B", "four"}, {1, "/correct", "B"}}, {}},
        {"QTI 1.2 with no marks given: the key by its \"Correct\" feedback; blank unnamed choice slots; HTML said by the item",
         R"(<questestinterop><assessment title="T"><section><item ident="1" title="Q"><itemmetadata><qtimetadata>)"
         R"(<qtimetadatafield><fieldlabel>qmd_itemtype</fieldlabel><fieldentry>Multiple Choice</fieldentry></qtimetadatafield>)"
         R"(<qtimetadatafield><fieldlabel>TEXT_FORMAT</fieldlabel><fieldentry>HTML</fieldentry></qtimetadatafield></qtimetadata></itemmetadata>)"
         R"(<presentation><flow><material><mattext texttype="text/plain"><![CDATA[<p>Highest &quot;precedence&quot;?</p>]]></mattext></material>)"
         R"(<response_lid ident="MCSC"><render_choice><response_label ident="A"><material><mattext texttype="text/plain">Addition</mattext></material></response_label>)"
         R"(<response_label ident="B"><material><mattext texttype="text/plain"><![CDATA[<p>Powers</p>]]></mattext></material></response_label>)"
         R"(<response_label><material><mattext texttype="text/plain"></mattext></material></response_label></render_choice></response_lid></flow></presentation>)"
         R"(<resprocessing><respcondition><conditionvar><varequal respident="MCSC">A</varequal></conditionvar><setvar action="Add">0.0</setvar>)"
         R"(<displayfeedback linkrefid="InCorrect"/></respcondition><respcondition><conditionvar><varequal respident="MCSC">B</varequal></conditionvar>)"
         R"(<setvar action="Add">0.0</setvar><displayfeedback linkrefid="Correct"/></respcondition></resprocessing></item></section></assessment></questestinterop>)",
         "s.xml", {{0, "/question", "Highest \"precedence\"?"}, {0, "/correct", "B"}, {0, "/choices/B", "Powers"}, {0, "/choices/C", nullptr}}, {}},
        {"QTI 1.2 \"Fill in the Blanks\": one blank amid text a short answer, the blank where it stands; two blanks left out",
         R"(<questestinterop><objectbank><section title="S"><item ident="f1"><itemmetadata><qtimetadata><qti_metadatafield><fieldlabel>qmd_questiontype</fieldlabel>)"
         R"(<fieldentry>Fill in the Blanks</fieldentry></qti_metadatafield></qtimetadata></itemmetadata><presentation><flow>)"
         R"(<material><mattext texttype="text/html">A model of the present is</mattext></material><response_str ident="S1"><render_fib/></response_str>)"
         R"(<material><mattext texttype="text/html">, as it stands.</mattext></material></flow></presentation><resprocessing>)"
         R"(<respcondition><conditionvar><varequal respident="S1">descriptive</varequal></conditionvar><setvar action="Set">100</setvar></respcondition>)"
         R"(<respcondition><conditionvar><varequal respident="S1">AS-IS</varequal></conditionvar><setvar action="Set">100</setvar></respcondition></resprocessing></item>)"
         R"(<item ident="f2"><itemmetadata><qtimetadata><qti_metadatafield><fieldlabel>qmd_questiontype</fieldlabel><fieldentry>Fill in the Blanks</fieldentry>)"
         R"(</qti_metadatafield></qtimetadata></itemmetadata><presentation><flow><material><mattext>One</mattext></material><response_str ident="a"><render_fib/></response_str>)"
         R"(<material><mattext>two</mattext></material><response_str ident="b"><render_fib/></response_str></flow></presentation></item></section></objectbank></questestinterop>)",
         "d.xml", {{0, "/question", "A model of the present is _____ , as it stands."}, {0, "/answer", "descriptive"}},
         {"fill in multiple blanks"}},
        {"choices joined by commas in one cell, the answer one of them",
         "text;options;answer\nUnit of force?;Joule,Newton,Watt;Newton\nSpeed of light?;3e8 m/s\xEF\xBC\x8C" "3e6 m/s;3e8 m/s\n",
         "p.csv", {{0, "/choices/B", "Newton"}, {0, "/correct", "B"}, {1, "/choices/B", "3e6 m/s"}, {1, "/correct", "A"}}, {}},
        {"no header and no key column: the choice marked right in its cell, letters typed without a space",
         "Which city is the capital of France?;a) Rome(falsch);b)Paris(wahr);c) Oslo(falsch)\n"
         "Which of these is red, as a rule?;a) sky(falsch);b) grass(falsch);c)blood(wahr)\n",
         "m.csv", {{0, "/choices/B", "Paris"}, {0, "/correct", "B"}, {1, "/choices/A", "sky"}, {1, "/correct", "C"}},
         {"carry their own letters"}},
        {"quoting gone wrong around joined choices, and a key with a separator left after it",
         "\"Which of these holds true here?\",\"\"first\"; second;\" third\"\",\"\"2;\n"
         "\"Which of those is the right one?\",\"\"alpha\"; beta;\" gamma\"\",\"\"3;\n",
         "q.csv", {{0, "/choices/A", "first"}, {0, "/choices/C", "third"}, {0, "/correct", "B"}, {1, "/correct", "C"}}, {}},
        {"choice objects whose explanation is shorter than their text in one question: the file's field holds",
         R"([{"cauHoi":"First?","dapAn":[{"noiDung":"the long first option text","dung":false,"giaiThich":"a much longer explanation of why it is wrong, with the rule it breaks and where the book says so"},
                                      {"noiDung":"the long second option text","dung":true,"giaiThich":"a much longer explanation of why it is right, with the rule it keeps and where the book says so"}]},
             {"cauHoi":"Second?","dapAn":[{"noiDung":"a wordy option that runs on","dung":true,"giaiThich":"Right."},
                                       {"noiDung":"another wordy option that runs","dung":false,"giaiThich":"No."}]}])",
         "e.json", {{1, "/choices/A", "a wordy option that runs on"}, {1, "/correct", "A"}}, {}},
        {"CSV whose choices carry their own letters and whose solution is a choice's text",
         "Frage;Lösung;Antwortmöglichkeiten\nWhat to check?;The trailer;A. The colour|B. The trailer\nFounded when?;1981;\n",
         "l.csv", {{0, "/correct", "B"}, {1, "/answer", "1981"}}, {}},
        {"an answer text that is a choice but for spaces, dashes or the choice's letter",
         R"([{"question":"Speed?","options":["80 km/h - 100 km/h","50 km/h - 80 km/h"],"answer":"50 km/h – 80km/h"},
             {"question":"Tool?","options":["a) axe","b) pliers"],"answer":"Pliers"}])",
         "w.json", {{0, "/correct", "B"}, {0, "/choices/C", json()}, {1, "/correct", "B"}},
         {"is choice B written with other spaces, dashes or letter case"}},
        {"a key as a list of one: that key",
         R"([{"question":"Pick d?","options":{"a":"1","b":"2","c":"3","d":"4"},"correct_answers":["d"]}])", "l.json",
         {{0, "/correct", "D"}}, {}},
        {"CSV whose answer column holds the right answer's text, the options the wrong ones",
         "question,optionA,optionB,optionC,answer\nCapital of France?,Lyon,Nice,Marseille,Paris\nTwo plus two?,3,4,5,4\n",
         "a.csv",
         {{0, "/choices/D", "Paris"}, {0, "/correct", "D"}, {1, "/correct", "B"}},
         {"the answer \"Paris\" is none of its choices; it is taken as the right choice itself, added as D"}},
        {"CSV saved in Windows-1252",
         "question,A,B,answer\nIt\x92s a dash\x96here?,yes\xA0sir,no,A\n", "w.csv",
         {{0, "/question", "It\xE2\x80\x99s a dash\xE2\x80\x93here?"}, {0, "/choices/A", "yes\xC2\xA0sir"}},
         {"The file is not UTF-8: 3 bytes were read as Windows-1252"}},
        {"CSV as UTF-16 text with tabs",
         std::string("\xFF\xFE", 2) + [] {
             std::string out;
             for (char c : std::string("question\tA\tB\tanswer\nSky colour?\tblue\tred\tA\n")) out += c, out += '\0';
             return out;
         }(),
         "u.txt", {{0, "/question", "Sky colour?"}, {0, "/correct", "A"}}, {"UTF-16"}},
        {"CSV with no header, choices in columns and the key last",
         "Which ocean is largest of them all?;Atlantic;Pacific;Indian;B\nWhich is the smallest planet here?;Mercury;Mars;Venus;A\n",
         "n.csv",
         {{0, "/question", "Which ocean is largest of them all?"}, {0, "/choices/B", "Pacific"}, {0, "/correct", "B"},
          {1, "/correct", "A"}},
         {"no header line"}},
        {"CSV naming its right and wrong answers in another language, split by '|'",
         "Domanda|Risposta giusta|Risposta sbagliata 1|Risposta sbagliata 2\nColore del cielo?|blu|verde|rosso\n", "i.csv",
         {{0, "/choices/A", "blu"}, {0, "/correct", "A"}}, {}},
        {"CSV with its separator unquoted inside a text",
         "question,A,B,C,key\nIf x = 3, what is x+1?,4,5,6,A\nWhich is a simile?,he runs,as brave as a lion, she roars,it rains,B\n",
         "s.csv",
         {{0, "/question", "If x = 3, what is x+1?"}, {0, "/correct", "A"},
          {1, "/choices/B", "as brave as a lion, she roars"}, {1, "/correct", "B"}},
         {"the separator in \"If x = 3, what is x+1?\" is read as part of that text"}},
        {"CSV whose two choices say true and false",
         "question,A,B,answer\nThe sky is blue.,verdadero,falso,verdadero\nFire is cold.,True,False,B\n", "v.csv",
         {{0, "/correct", "True"}, {1, "/correct", "False"}}, {}},
        {"Moodle XML with HTML's named references and no DTD",
         "<quiz><question type=\"truefalse\"><name><text>n</text></name><questiontext><text>x&nbsp;&uarr; <![CDATA[&keep;]]></text></questiontext>"
         "<answer fraction=\"100\"><text>true</text></answer><answer fraction=\"0\"><text>false</text></answer></question></quiz>",
         "m.xml",
         {{0, "/question", "x \xE2\x86\x91 &keep;"}, {0, "/correct", "True"}},
         {"not well-formed XML: it uses 2 HTML named character references that XML does not define (&nbsp;, &uarr;)"}},
        {"Blackboard pool named with bb:file, its key as SCORE.max", Zipped({{"imsmanifest.xml", bbManifest},
                                                                            {"res00001.dat", bbPool},
                                                                            {"res00002.dat", "<COURSETOC/>"}}),
         "bb.zip", {{0, "/question", "Which is a prime?"}, {0, "/correct", "B"}}, {}},
        {"QTI 2.1 package whose manifest lists a test of a type it does not name, with a section in a file",
         Zipped({{"imsmanifest.xml",
                  R"(<manifest><resources><resource identifier="t" type="imsqti_assessment_xmlv2p1" href="test.xml"/></resources></manifest>)"},
                 {"test.xml", R"(<assessmentTest><testPart><assessmentSectionRef identifier="s" href="sec/s.xml"/></testPart></assessmentTest>)"},
                 {"sec/s.xml", R"(<assessmentSection title="Planets"><assessmentItemRef identifier="i1" href="../items/i1.xml"/></assessmentSection>)"},
                 {"items/i1.xml", item}}),
         "t.zip", {{0, "/question", "Largest planet?"}, {0, "/correct", "B"}, {0, "/category", "Planets"}}, {}},
    };
}

} // namespace

TEST(UnfamiliarFiles, ReadByWhatTheyHold)
{
    for (const Case& c : Cases()) {
        std::string error;
        const ImportedBank bank = Read(c, error);
        if (!error.empty()) continue;
        const json& items = bank.document["items"];
        for (const auto& [index, pointer, value] : c.expected) {
            ASSERT_LT(index, items.size()) << c.name;
            const json::json_pointer field(pointer);
            EXPECT_EQ(items[index].contains(field) ? items[index].at(field) : json(), value) << c.name << " " << pointer;
        }
        for (const std::string& part : c.notes) {
            bool found = false;
            for (const std::string& note : bank.notes) found = found || note.find(part) != std::string::npos;
            EXPECT_TRUE(found) << c.name << ": no note with " << part;
        }
    }
}

TEST(UnfamiliarFiles, WhatStaysAnErrorOrIsExplained)
{
    ImportedBank bank;
    std::string error;
    // A name HTML does not know either stays an XML error.
    EXPECT_FALSE(ImportBankBytes("<quiz><question type=\"truefalse\"><questiontext><text>&nosuch;</text>"
                                 "</questiontext></question></quiz>",
                                 u"m.xml", ImportFormat::Auto, bank, error));
    EXPECT_NE(error.find("undefined entity"), std::string::npos) << error;
    // Two GIFT questions with no blank line between: Moodle's rule holds, the cause is named.
    ASSERT_TRUE(ImportBankBytes("::a:: One? {T}\n::b:: Two? {F}\n\n::c:: Three? {T}\n", u"g.gift", ImportFormat::Auto,
                                bank, error))
        << error;
    bool named = false;
    for (const std::string& note : bank.notes) named = named || note.find("put a blank line between them") != std::string::npos;
    EXPECT_TRUE(named);
    EXPECT_EQ(bank.document["items"].size(), 1u);
}

// What an import of the export would read otherwise is named in the export's message; the
// round trip itself shows each change is real.
TEST(UnfamiliarFiles, ExportsNameTextsAnImportReadsOtherwise)
{
    const json bank = json::parse(R"({"items":[
        {"id":"T","type":"true_false","question":"Tags?","correct":"True","objectives":{"MLO":"a<b>\nc","CLO":"","PLO":""}},
        {"id":"R","type":"true_false","question":"Line one\r\nline two","correct":"True","objectives":{"MLO":"","CLO":"","PLO":""}},
        {"id":"P","type":"true_false","question":"Time &&058; now","correct":"True","objectives":{"MLO":"","CLO":"","PLO":""}},
        {"id":"N","type":"true_false","question":"Plain","correct":"True","objectives":{"MLO":"m1","CLO":"","PLO":""}}]})");
    const struct {
        ExamFormat format;
        const char* part;
        const char* ids; // "" when the message must not name it
    } cases[] = {
        {ExamFormat::Moodle, "Moodle's tags", "in 1 item: T."},
        {ExamFormat::Gift, "Moodle's tags", "in 1 item: T."},
        {ExamFormat::Qti21, "Moodle's tags", ""},
        {ExamFormat::Moodle, "CR LF", "in 1 item: R."},
        {ExamFormat::Qti12, "CR LF", "in 1 item: R."},
        {ExamFormat::Gift, "placeholders", "in 1 item: P."},
        {ExamFormat::Moodle, "placeholders", ""},
    };
    for (const auto& c : cases) {
        const ExamFile file = WriteExamAs(c.format, bank);
        const std::string message = ExamFileMessage(file, c.format, 10);
        const size_t at = message.find(c.part);
        if (!*c.ids) {
            EXPECT_EQ(at, std::string::npos) << message;
            continue;
        }
        ASSERT_NE(at, std::string::npos) << ExamFormatName(c.format) << ": " << message;
        EXPECT_NE(message.find(c.ids, at), std::string::npos) << message;
        // The change is real: the import reads the text otherwise.
        if (c.format == ExamFormat::Qti12) continue;
        ImportedBank back;
        std::string error;
        ASSERT_TRUE(ImportBankBytes(file.bytes, c.format == ExamFormat::Gift ? u"x.gift" : u"x.xml",
                                    ImportFormat::Auto, back, error)) << error;
        const json& items = back.document["items"];
        const std::string part = c.part;
        if (part == "Moodle's tags") EXPECT_NE(items[0]["objectives"]["MLO"], "a<b>\nc");
        if (part == "CR LF") EXPECT_EQ(items[1]["question"], "Line one\nline two");
    }
}

TEST(UnfamiliarFiles, QtiFilesInAFolderWithoutAManifest)
{
    const std::u16string dir = TempDir("qti-no-manifest");
    const std::string item =
        R"(<assessmentItem identifier="choice" title="t"><responseDeclaration identifier="RESPONSE" cardinality="single" baseType="identifier">)"
        R"(<correctResponse><value>B</value></correctResponse></responseDeclaration><itemBody><choiceInteraction responseIdentifier="RESPONSE" maxChoices="1">)"
        R"(<prompt>Question NUMBER?</prompt><simpleChoice identifier="A">a</simpleChoice><simpleChoice identifier="B">b</simpleChoice></choiceInteraction></itemBody></assessmentItem>)";
    for (const char* n : {"10", "2"}) {
        std::string text = item;
        text.replace(text.find("NUMBER"), 6, n);
        WriteBytes(Join(dir, std::string("q") + n + ".xml"), text);
    }
    WriteBytes(Join(dir, "notes.txt"), "not XML");
    ImportedBank bank;
    std::string error;
    ASSERT_TRUE(ImportBankFile(dir, ImportFormat::Auto, bank, error)) << error;
    ASSERT_EQ(bank.document["items"].size(), 2u);
    EXPECT_EQ(bank.document["items"][0]["question"], "Question 2?"); // q2 before q10
    EXPECT_EQ(bank.document["items"][1]["correct"], "B");
    EXPECT_NE(bank.notes[1].find("no imsmanifest.xml: its 2 XML files"), std::string::npos) << bank.notes[1];
}
