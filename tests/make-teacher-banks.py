#!/usr/bin/env python3
"""Writes tests/data/import/teacher: one small bank as teachers keep them, 16 questions in
all, each file written as its usual producer writes it (OOXML parts by hand with zipfile)."""
import os, zipfile
from xml.sax.saxutils import escape

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data", "import", "teacher")

SHEET = [("What is the capital of France?", ["Berlin", "Paris", "Rome", "Madrid"], "B"),
         ("How many sides has a hexagon?", [5, 6, 7, 8], "B"),
         ("Which gas do plants take in?", ["Oxygen", "Nitrogen", "Carbon dioxide", "Helium"], "C"),
         ("What is 0.1 + 0.2 rounded to one place?", [0.3, 0.4, 0.2, 1], "A")]
AIKEN = """Is this a well-formed Aiken question?
A. Yes
B. No
ANSWER: A

Which planet is largest?
A) Mars
B) Jupiter
C) Venus
D) Earth
E) Mercury
ANSWER: B

What does CPU stand for?
A. Central Processing Unit
B. Computer Personal Unit
C. Central Program Utility
ANSWER: A
"""
LIST = [("Which of these is a prime number?", ["4", "6", "7", "9"], 2),
        ("The chemical symbol for gold is:", ["Ag", "Au", "Gd", "Go"], 1),
        ("Which ocean is the largest?", ["Atlantic", "Indian", "Pacific"], 2)]
TYPED = [("Who wrote Hamlet?", ["Marlowe", "Shakespeare", "Jonson"], 1),
         ("What is 12 x 12?", ["124", "144", "132", "154"], 1),
         ("Water boils at sea level at:", ["90 C", "100 C", "110 C"], 1)]
AUTO = [("Which is a mammal?", ["Shark", "Dolphin", "Trout", "Eel"], 1),
        ("What is the square root of 81?", ["8", "9", "7"], 1),
        ("Which continent is Egypt in?", ["Asia", "Europe", "Africa"], 2)]


def text_list(questions):
    out = []
    for n, (stem, choices, key) in enumerate(questions, 1):
        out.append(f"{n}. {stem}")
        out += [("*" if i == key else "") + f"{'abcdefgh'[i]}) {c}" for i, c in enumerate(choices)]
        out.append("")
    return "\n".join(out)


def xlsx(path, rows):
    strings, index = [], {}

    def cell(ref, value):
        if isinstance(value, (int, float)):
            return f'<c r="{ref}"><v>{value!r}</v></c>'
        if value not in index:
            index[value] = len(strings)
            strings.append(value)
        return f'<c r="{ref}" t="s"><v>{index[value]}</v></c>'

    body = []
    for r, row in enumerate(rows, 1):
        body.append(f'<row r="{r}">' + "".join(cell(f"{'ABCDEFGH'[c]}{r}", v) for c, v in enumerate(row)) + "</row>")
    sheet = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<worksheet xmlns="http://schemas.openxmlformats.org/'
             'spreadsheetml/2006/main"><sheetData>' + "".join(body) + "</sheetData></worksheet>")
    sst = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<sst xmlns="http://schemas.openxmlformats.org/'
           f'spreadsheetml/2006/main" uniqueCount="{len(strings)}">' +
           "".join(f"<si><t>{escape(s)}</t></si>" for s in strings) + "</sst>")
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.'
                   'openxmlformats.org/package/2006/content-types"><Default Extension="xml" ContentType="application/xml"/>'
                   '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.'
                   'spreadsheetml.sheet.main+xml"/></Types>')
        z.writestr("xl/workbook.xml", '<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="http://schemas.openxmlformats'
                   '.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/'
                   'relationships"><sheets><sheet name="Quiz" sheetId="1" r:id="rId1"/></sheets></workbook>')
        z.writestr("xl/_rels/workbook.xml.rels", '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://'
                   'schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.'
                   'openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/xl/worksheets/sheet1.xml"/>'
                   '</Relationships>')
        z.writestr("xl/worksheets/sheet1.xml", sheet)
        z.writestr("xl/sharedStrings.xml", sst)


W = 'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"'


def para(text, num=None):
    ppr = f'<w:pPr><w:numPr><w:ilvl w:val="{num[1]}"/><w:numId w:val="{num[0]}"/></w:numPr></w:pPr>' if num else ""
    return f'<w:p>{ppr}<w:r><w:t xml:space="preserve">{escape(text)}</w:t></w:r></w:p>'


def docx(path, paragraphs, numbering=None):
    doc = (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:document {W}><w:body>' + "".join(paragraphs) +
           "<w:sectPr/></w:body></w:document>")
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.'
                   'openxmlformats.org/package/2006/content-types"><Default Extension="xml" ContentType="application/xml"/>'
                   '<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.'
                   'wordprocessingml.document.main+xml"/></Types>')
        z.writestr("word/document.xml", doc)
        if numbering:
            z.writestr("word/numbering.xml", numbering)


NUMBERING = (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:numbering {W}><w:abstractNum w:abstractNumId="0">'
             '<w:lvl w:ilvl="0"><w:start w:val="1"/><w:numFmt w:val="decimal"/><w:lvlText w:val="%1."/></w:lvl>'
             '<w:lvl w:ilvl="1"><w:start w:val="1"/><w:numFmt w:val="lowerLetter"/><w:lvlText w:val="%2)"/></w:lvl>'
             '</w:abstractNum><w:num w:numId="1"><w:abstractNumId w:val="0"/></w:num></w:numbering>')

os.makedirs(OUT, exist_ok=True)
xlsx(os.path.join(OUT, "sheet.xlsx"),
     [["Question", "Option A", "Option B", "Option C", "Option D", "Answer"]] +
     [[s] + c + [k] for s, c, k in SHEET])
open(os.path.join(OUT, "aiken.txt"), "w").write(AIKEN)
open(os.path.join(OUT, "starred.txt"), "w").write(text_list(LIST))
docx(os.path.join(OUT, "typed.docx"), [para(line) for line in text_list(TYPED).split("\n")])
auto = []
for stem, choices, key in AUTO:
    auto.append(para(stem, (1, 0)))
    auto += [para(("*" if i == key else "") + c, (1, 1)) for i, c in enumerate(choices)]
docx(os.path.join(OUT, "numbered.docx"), auto, NUMBERING)
