#!/usr/bin/env python3
"""Exports a bank with every item type and hostile texts in each format and checks the
files with real readers: the official QTI schemas and DTD (xmllint, offline), the GIFT
grammar parser, Moodle's import rules, unzip and zipfile. Every exported question must
read back to the same stem, answers and key."""
import html, json, os, re, subprocess, sys, zipfile
import xml.etree.ElementTree as ET

testbank, schemas, work, node_modules = sys.argv[1:5]
os.makedirs(work, exist_ok=True)
failures = []

def fail(msg):
    failures.append(msg)
    print("FAIL: " + msg)

TORTURE = ['< > & " \' ]]> \\ ~ = # { } : [ ] % $ / //', 'tab\there', 'blank\n\nline', 'nbsp\u00a0here',
           'emoji \U0001F600', 'rtl \u05e9\u05dc\u05d5\u05dd', 'combining e\u0301', 'smart \u201cquotes\u201d \u2018x\u2019',
           'LaTeX \\( x^2 \\)', 'vt\x0bchar']
STEM = 'Start ' + '\n'.join(TORTURE) + ' end'
LONG_ID = 'L' * 300
items = [
    {"id": "1", "type": "multiple_choice", "category": "Cat/Sub", "question": STEM,
     "choices": {"A": TORTURE[0], "B": TORTURE[2], "C": TORTURE[4], "D": TORTURE[8]}, "correct": "B",
     "objectives": {"MLO": "m < 1", "CLO": "c", "PLO": ""}},
    {"id": "001", "type": "multiple_choice", "category": "Cat/Sub", "question": "Three choices",
     "choices": {"A": "a", "B": "b", "C": " ", "D": "d"}, "correct": "D", "objectives": {"MLO": "m"}},
    {"id": "Q 1", "type": "true_false", "category": "", "question": "// looks like [markdown] a comment",
     "correct": "False", "objectives": {"MLO": "m"}},
    {"id": "Q_1", "type": "true_false", "question": "vt\x0b" + TORTURE[5], "correct": "True", "objectives": {"MLO": "m"}},
    {"id": LONG_ID, "type": "numerical", "category": "Numbers", "question": "How much?", "answer": "-3.5",
     "objectives": {"MLO": "m"}},
    {"id": "q1", "type": "numerical", "category": "Numbers", "question": "Name it", "answer": "a*b {x} :=",
     "objectives": {"MLO": "m"}},
    {"id": "alg", "type": "algorithmic", "question": "What is {a}+{b}?", "algorithm": {"template": "t"},
     "objectives": {"MLO": "m"}},
    {"id": "empty key", "type": "multiple_choice", "question": "q", "choices": {"A": "a", "B": "", "C": "c", "D": ""},
     "correct": "B", "objectives": {"MLO": "m"}},
    {"id": "one choice", "type": "multiple_choice", "question": "q", "choices": {"A": "a", "B": "", "C": "", "D": ""},
     "correct": "A", "objectives": {"MLO": "m"}},
]
bank = os.path.join(work, "torture.json")
with open(bank, "w", encoding="utf-8") as f:
    json.dump({"items": items}, f, ensure_ascii=False)

def clean(text):
    return text.replace("\x0b", "")

# What each exported item must read back as: (kind, stem, answers, key)
expected = {}
for it in items[:6]:
    if it["type"] == "multiple_choice":
        letters = [l for l in "ABCD" if it["choices"][l].strip()]
        expected[it["id"]] = ("choice", clean(it["question"]), [clean(it["choices"][l]) for l in letters],
                              letters.index(it["correct"]))
    elif it["type"] == "true_false":
        expected[it["id"]] = ("tf", clean(it["question"]), [], it["correct"] == "True")
    elif it["answer"][0] in "-0123456789":
        expected[it["id"]] = ("numeric", it["question"], [], it["answer"])
    else:
        expected[it["id"]] = ("short", it["question"], [], it["answer"])
LEFT_OUT = {"alg": "algorithmic items have no equivalent in ", "empty key": "the correct choice (B) is empty",
            "one choice": "it has fewer than two non-empty choices"}

def export(fmt, out=None):
    args = [testbank, "export", bank, "--format", fmt] + (["-o", out] if out else [])
    r = subprocess.run(args, capture_output=True)
    return r.returncode, r.stdout, r.stderr.decode("utf-8")

def check_message(fmt, name, message):
    if "Exported 6 of 9 items as " + name + ": 2 multiple choice, 2 true/false, 2 numerical" not in message:
        fail(fmt + ": counts missing from the message: " + message)
    for ident, reason in LEFT_OUT.items():
        if ident + ": " + reason not in message:
            fail(fmt + ": no reason for " + ident + " in: " + message)
    if "dropped from 2 items: 1, Q_1" not in message:
        fail(fmt + ": the dropped control characters are not reported: " + message)

def html_to_plain(text):
    """Our HTML: escaped text, <br> line breaks, inside <pre> where white space must show."""
    text = re.sub(r"^<pre>(.*)</pre>$", r"\1", text, flags=re.S)
    return html.unescape(re.sub(r"<br\s*/?>", "\n", text))

def moodle_text(node):
    """A Moodle text element as shown: plain text as written, HTML made plain."""
    text = node.findtext("text")
    return text if node.get("format") == "plain_text" else html_to_plain(text)

def compare(fmt, ident, kind, stem, answers, key):
    exp = expected.get(ident)
    # The QTI players compare a text answer as text: only a JSON number is numeric there.
    if exp and fmt.startswith("qti") and exp[0] == "numeric":
        exp = ("short",) + exp[1:]
    if exp is None:
        return fail(fmt + ": unexpected question " + repr(ident[:40]))
    if (kind, stem, answers, key) != exp:
        fail(fmt + ": %r reads back as %r, expected %r" % (ident[:40], (kind, stem, answers, key), exp))

def xmllint(*args, stdin=None):
    env = dict(os.environ, XML_CATALOG_FILES=os.path.join(schemas, "catalog.xml"))
    r = subprocess.run(["xmllint", "--nonet", "--noout"] + list(args), input=stdin, capture_output=True, env=env)
    if r.returncode != 0:
        fail("xmllint %s: %s" % (" ".join(args[-1:]), r.stderr.decode()[:2000]))

def check_xml_text(fmt, data):
    if not data.startswith(b'<?xml version="1.0" encoding="UTF-8"?>\n'):
        fail(fmt + ": the XML declaration is not on the first line (or a byte-order mark precedes it)")
    if b"\x0b" in data:
        fail(fmt + ": a character XML forbids was written")

def check_zip(fmt, path):
    r = subprocess.run(["unzip", "-t", path], capture_output=True)
    if r.returncode != 0:
        fail(fmt + ": unzip -t: " + r.stdout.decode()[-2000:])
    z = zipfile.ZipFile(path)
    if z.testzip() is not None:
        fail(fmt + ": zipfile finds a bad entry")
    names = set(z.namelist())
    manifest = z.read("imsmanifest.xml")
    for href in re.findall(rb'<file href="([^"]+)"', manifest):
        if href.decode() not in names:
            fail(fmt + ": the manifest names %s, which is not in the zip" % href.decode())
    directory = os.path.join(work, fmt)
    z.extractall(directory)
    return z, directory


def check_0():
    """json: the default stays the exam file, byte for byte"""
    plain = subprocess.run([testbank, "export", bank], capture_output=True).stdout
    if export("json")[1] != plain:
        fail("json: --format json differs from the default export")

def check_1():
    """Moodle XML"""
    code, data, message = export("moodle")
    check_message("moodle", "Moodle XML", message)
    check_xml_text("moodle", data)
    path = os.path.join(work, "exam.xml")
    open(path, "wb").write(data)
    xmllint(path)
    FRACTIONS = {"100", "90", "83.33333", "80", "75", "70", "66.66667", "60", "50", "40", "33.33333", "30", "25", "20",
                 "16.66667", "14.28571", "12.5", "11.11111", "10", "5", "0"}
    categories, seen = [], set()
    for q in ET.fromstring(data).findall("question"):
        qtype = q.get("type")
        if qtype == "category":
            categories.append(q.findtext("category/text"))
            continue
        for a in q.findall("answer"):
            if a.get("fraction").lstrip("-") not in FRACTIONS:
                fail("moodle: fraction %s is not one Moodle accepts" % a.get("fraction"))
        name = q.findtext("name/text")
        ident = LONG_ID if name == LONG_ID[:255] else name
        if name != ident[:255] or (q.findtext("idnumber") or ident) != ident:
            fail("moodle: name/idnumber of %r" % ident[:40])
        if (q.find("idnumber") is None) != (len(ident) > 100):
            fail("moodle: an idnumber over Moodle's 100 characters, or one missing for %r" % ident[:40])
        stem = moodle_text(q.find("questiontext"))
        answers = q.findall("answer")
        if qtype == "multichoice":
            texts = [moodle_text(a) for a in answers]
            key = [a.get("fraction") for a in answers].index("100")
            compare("moodle", ident, "choice", stem, texts, key)
        elif qtype == "truefalse":
            if [a.findtext("text") for a in answers] != ["true", "false"]:
                fail("moodle: true/false answers are not literally true and false")
            compare("moodle", ident, "tf", stem, [], answers[0].get("fraction") == "100")
        elif qtype == "numerical":
            compare("moodle", ident, "numeric", stem, [], answers[0].findtext("text"))
            if answers[0].findtext("tolerance") != "0":
                fail("moodle: numerical tolerance is not 0")
        elif qtype == "shortanswer":
            compare("moodle", ident, "short", stem, [], answers[0].findtext("text").replace("\\*", "*"))
        tags = [t.text for t in q.findall("tags/tag/text")]
        if "MLO: m" not in tags and "MLO: m < 1" not in tags:
            fail("moodle: the MLO tag is missing from %r" % ident[:40])
    if len(categories) != len(set(categories)):
        fail("moodle: more than one category question for a category: %r" % categories)
    if "$course$/top/Cat//Sub" not in categories:
        fail("moodle: the category with '/' is not escaped as '//': %r" % categories)

def check_2():
    """GIFT, read back by the GIFT grammar parser"""
    code, data, message = export("gift")
    check_message("gift", "GIFT", message)
    path = os.path.join(work, "exam.gift.txt")
    open(path, "wb").write(data)
    r = subprocess.run(["node", os.path.join(os.path.dirname(__file__), "gift_parse.js"), path], capture_output=True,
                       env=dict(os.environ, NODE_PATH=node_modules))
    if r.returncode != 0:
        fail("gift: the parser refused the file: " + r.stderr.decode()[:2000])
    else:
        parsed = json.loads(r.stdout)
        kinds = {"MC": "choice", "TF": "tf", "Numerical": "numeric", "Short": "short"}
        count = 0
        for q in parsed:
            if q["type"] == "Category":
                continue
            count += 1
            # An ID over 100 characters is no Moodle ID number: the title (cut at 255) names it.
            ident = q.get("id") or next((i for i in expected if len(i) > 100 and i[:255] == q["title"]), "")
            if q["title"] != ident[:255]:
                fail("gift: title %r differs from the ID" % q["title"][:40])
            kind = kinds.get(q["type"], q["type"])
            stem = q["stem"]["text"]
            if kind == "choice":
                answers = [c["text"]["text"] for c in q["choices"]]
                key = [c["isCorrect"] for c in q["choices"]].index(True)
            elif kind == "tf":
                answers, key = [], q["isTrue"]
            elif kind == "numeric":
                choice = q["choices"][0]["text"] if isinstance(q["choices"], list) else q["choices"]
                answers, key = [], choice["number"]
                ident_key = expected.get(ident, (0, 0, 0, "nan"))[3]
                key = ident_key if float(ident_key) == key else key
            else:
                answers, key = [], q["choices"][0]["text"]["text"].replace("\\*", "*")
            # The parser trims the ends of texts; the middle must be exact.
            exp = expected.get(ident)
            if exp and kind == exp[0] and stem == exp[1].strip():
                stem = exp[1]
            if exp and kind == "choice" and [a.strip() for a in exp[2]] == answers:
                answers = exp[2]
            compare("gift", ident, kind, stem, answers, key)
            # Moodle's tags hold no '<'.
            if "MLO: m" not in (q.get("tags") or []) and "MLO: m  1" not in (q.get("tags") or []):
                fail("gift: no MLO tag on %r" % ident[:40])
        if count != 6:
            fail("gift: %d questions read back, expected 6" % count)

def check_3():
    """QTI 2.1 package against the official schemas"""
    code, data, message = export("qti21")
    if code != 2:
        fail("qti21: a zip without -o is not a usage error")
    path = os.path.join(work, "exam21.zip")
    code, _, message = export("qti21", path)
    check_message("qti21", "QTI 2.1", message)
    z, directory = check_zip("qti21", path)
    qti = os.path.join(schemas, "catalog-root/www.imsglobal.org/xsd/imsqti_v2p1.xsd")
    files = [os.path.join(directory, n) for n in z.namelist() if n != "imsmanifest.xml"]
    for n in z.namelist():
        check_xml_text("qti21", z.read(n))
    xmllint("--schema", qti, *files)
    xmllint("--schema", os.path.join(schemas, "qti21-package/qtiv2p1_imscpv1p2_v1p0.xsd"),
            os.path.join(directory, "imsmanifest.xml"))
    NS = {"q": "http://www.imsglobal.org/xsd/imsqti_v2p1"}
    identifiers = set()
    for n in z.namelist():
        if not n.startswith("items/"):
            continue
        root = ET.fromstring(z.read(n))
        identifiers.add(root.get("identifier").lower())
        ident = root.get("title")
        key = root.findtext("q:responseDeclaration/q:correctResponse/q:value", namespaces=NS)
        body = root.find("q:itemBody", NS)
        def inner(el):  # the XHTML's text, each <br/> a line break, inside <pre> where white space must show
            pre = el.find("q:pre", NS)
            if pre is not None and len(el) == 1 and not (el.text or "").strip():
                el = pre
            text = el.text or ""
            for c in el:
                if c.tag != "{%s}br" % NS["q"]:
                    fail("qti21: unexpected markup <%s> in %r" % (c.tag, ident[:40]))
                text += "\n" + (c.tail or "")
            return text
        interaction = body.find("q:choiceInteraction", NS)
        if interaction is not None:
            prompt = interaction.find("q:prompt", NS)
            stem = inner(prompt if prompt is not None else body.find("q:pre", NS))
            choices = interaction.findall("q:simpleChoice", NS)
            ids = [c.get("identifier") for c in choices]
            if ids == ["true", "false"]:
                compare("qti21", ident, "tf", stem, [], key == "true")
            else:
                compare("qti21", ident, "choice", stem, [inner(c) for c in choices], ids.index(key))
        else:
            base = root.find("q:responseDeclaration", NS).get("baseType")
            compare("qti21", ident, "numeric" if base == "float" else "short", inner(body.find("q:p", NS) if body.find("q:pre", NS) is None else body.find("q:pre", NS)), [], key)
    if len(identifiers) != 6:
        fail("qti21: %d distinct item identifiers, expected 6" % len(identifiers))

def check_4():
    """QTI 1.2 package against its DTD"""
    path = os.path.join(work, "exam12.zip")
    code, _, message = export("qti12", path)
    check_message("qti12", "QTI 1.2", message)
    z, directory = check_zip("qti12", path)
    assessment = z.read("assessment.xml")
    check_xml_text("qti12", assessment)
    stripped = re.sub(rb' xmlns(:[a-z]+)?="[^"]*"', b"", assessment)
    stripped = re.sub(rb' xsi:schemaLocation="[^"]*"', b"", stripped)
    xmllint("--dtdvalid", os.path.join(schemas, "qti12/ims_qtiasiv1p2p1.dtd"), "-", stdin=stripped)
    xmllint(os.path.join(directory, "imsmanifest.xml"))
    for item in ET.fromstring(stripped).iter("item"):
        ident = item.get("title")
        fields = {f.findtext("fieldlabel"): f.findtext("fieldentry") for f in item.iter("qtimetadatafield")}
        stem = html_to_plain(item.findtext("presentation/material/mattext"))
        key = item.findtext("resprocessing/respcondition/conditionvar//varequal")
        qtype = fields["question_type"]
        if qtype == "multiple_choice_question":
            labels = item.findall("presentation/response_lid/render_choice/response_label")
            compare("qti12", ident, "choice", stem, [html_to_plain(l.findtext("material/mattext")) for l in labels],
                    [l.get("ident") for l in labels].index(key))
        elif qtype == "true_false_question":
            compare("qti12", ident, "tf", stem, [], key == "true")
        else:
            compare("qti12", ident, "numeric" if qtype == "numerical_question" else "short", stem, [], key)

def check_5():
    """nothing exportable: exit 1, no file"""
    only = os.path.join(work, "alg.json")
    json.dump({"items": [items[6]]}, open(only, "w"))
    for fmt in ("moodle", "gift", "qti21", "qti12"):
        out = os.path.join(work, "none." + fmt)
        r = subprocess.run([testbank, "export", only, "--format", fmt, "-o", out], capture_output=True)
        if r.returncode != 1 or os.path.exists(out) or b"alg: algorithmic items" not in r.stderr:
            fail(fmt + ": an export with nothing to write did not fail cleanly: %r" % r.stderr)

for check in (check_0, check_1, check_2, check_3, check_4, check_5):
    try:
        check()
    except Exception as e:  # a reader's refusal is a failure of that format, not the end
        fail("%s: %s: %s" % (check.__doc__, type(e).__name__, e))

print("%d failures" % len(failures))
sys.exit(1 if failures else 0)
