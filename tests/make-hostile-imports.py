#!/usr/bin/env python3
"""Writes tests/data/import-hostile/: damaged and hostile files for File > Import, one
case each (the tests and the fuzz seeds read them). Run again only to change the set:
    python3 tests/make-hostile-imports.py tests/data/import-hostile QTI21.zip
QTI21.zip is a package our export wrote (testbank export ... --format qti21)."""
import io, os, struct, sys, zipfile, zlib

out, real = sys.argv[1], open(sys.argv[2], "rb").read()
os.makedirs(out, exist_ok=True)

def w(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data.encode() if isinstance(data, str) else data)

def zipped(entries, **kw):
    b = io.BytesIO()
    with zipfile.ZipFile(b, "w", zipfile.ZIP_DEFLATED, **kw) as z:
        for n, d in entries:
            z.writestr(n, d)
    return b.getvalue()

MANIFEST = ('<manifest xmlns="http://www.imsglobal.org/xsd/imscp_v1p1"><resources>'
            '<resource identifier="R1" type="imsqti_item_xmlv2p1" href="{0}"><file href="{0}"/></resource>'
            '</resources></manifest>')
ITEM = ('<assessmentItem xmlns="http://www.imsglobal.org/xsd/imsqti_v2p1" identifier="Q1" title="Q1">'
        '<responseDeclaration identifier="RESPONSE" cardinality="single" baseType="identifier">'
        '<correctResponse><value>A</value></correctResponse></responseDeclaration><itemBody>'
        '<choiceInteraction responseIdentifier="RESPONSE" maxChoices="1"><prompt>{0}</prompt>'
        '<simpleChoice identifier="A">Yes</simpleChoice><simpleChoice identifier="B">No</simpleChoice>'
        '</choiceInteraction></itemBody></assessmentItem>')
MOODLE = ('<?xml version="1.0" encoding="{0}"?>\n<quiz><question type="multichoice"><name><text>Q1</text></name>'
          '<questiontext format="html"><text>{1}</text></questiontext>'
          '<answer fraction="100"><text>{2}</text></answer><answer fraction="0"><text>No</text></answer>'
          '</question></quiz>\n')

# --- zip ---
eocd = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 1, 1, 0xFFFFFFF0, 0xFFFFFFF0, 0)
w("zip-damaged-42-bytes.zip", b"PK\x03\x04" + b"\0" * 16 + eocd)
w("zip-end-record-only.zip", eocd)
w("zip-truncated-half.zip", real[: len(real) // 2])
w("zip-truncated-end-record.zip", real[:-10])
lying = bytearray(real)
at = lying.find(b"PK\x01\x02")
lying[at + 24:at + 28] = struct.pack("<I", 10)  # uncompressed size 10
w("zip-lying-size.zip", bytes(lying))
lying = bytearray(real)
at = lying.find(b"PK\x01\x02")
lying[at + 20:at + 24] = struct.pack("<I", 0x7FFFFFFF)  # compressed size past the end
w("zip-lying-compressed-size.zip", bytes(lying))
lying = bytearray(real)
at = lying.find(b"PK\x01\x02")
lying[at + 42:at + 46] = struct.pack("<I", 0x7FFFFFF0)  # local header offset past the end
w("zip-lying-offset.zip", bytes(lying))
bad_crc = bytearray(real)
at = bad_crc.find(b"PK\x01\x02")
bad_crc[at + 16] ^= 0xFF
w("zip-bad-crc.zip", bytes(bad_crc))
lying = bytearray(real)
at = lying.rfind(b"PK\x05\x06")
lying[at + 10:at + 12] = struct.pack("<H", 0xFFFF)  # entry count
w("zip-lying-entry-count.zip", bytes(lying))
b = io.BytesIO()
with zipfile.ZipFile(b, "w", zipfile.ZIP_DEFLATED) as z:
    with z.open("imsmanifest.xml", "w", force_zip64=True) as f:
        f.write(MANIFEST.format("q.xml").encode())
    with z.open("q.xml", "w", force_zip64=True) as f:
        f.write(ITEM.format("Zip64 entry").encode())
w("zip-zip64-records.zip", b.getvalue())
z64 = bytearray(b.getvalue())
at = z64.rfind(b"PK\x06\x07")
z64[at + 8:at + 16] = struct.pack("<Q", 0xFFFFFFFFFFFF)  # Zip64 end record offset
w("zip-zip64-lying-locator.zip", bytes(z64))
w("zip-bomb-20mb-zeros.zip", zipped([("imsmanifest.xml", MANIFEST.format("q.xml")), ("q.xml", b"\0" * (20 << 20))]))
many = [("imsmanifest.xml", MANIFEST.format("q.xml"))] + [("f%d" % i, b"x" * (1 << 20)) for i in range(1100)]
w("zip-bomb-many-entries.zip", zipped(many))
# Overlapping entries: every central record points at the same local data.
one = bytearray(zipped([("imsmanifest.xml", MANIFEST.format("q.xml")), ("q.xml", b"<" + b"a" * 500000 + b"/>")]))
w("zip-overlapping-entries.zip", bytes(one))
w("zip-path-escape.zip", zipped([("imsmanifest.xml", MANIFEST.format("../../evil.xml")), ("../../evil.xml", ITEM.format("x"))]))
w("zip-absolute-path.zip", zipped([("imsmanifest.xml", MANIFEST.format("q.xml")), ("/etc/q.xml", ITEM.format("x"))]))
w("zip-manifest-href-escape.zip", zipped([("imsmanifest.xml", MANIFEST.format("..%2F..%2Fetc%2Fpasswd")), ("q.xml", ITEM.format("x"))]))
w("zip-duplicate-names.zip", zipped([("imsmanifest.xml", MANIFEST.format("q.xml")), ("q.xml", ITEM.format("first")),
                                     ("Q.XML", ITEM.format("second"))]))
w("zip-percent-20-name.zip", zipped([("imsmanifest.xml", MANIFEST.format("my%20item.xml")), ("my item.xml", ITEM.format("Spaced &amp; found"))]))
enc = bytearray(real)
for sig, off in ((b"PK\x03\x04", 6), (b"PK\x01\x02", 8)):
    i = enc.find(sig)
    while i >= 0:
        enc[i + off] |= 1
        i = enc.find(sig, i + 4)
w("zip-encrypted-flag.zip", bytes(enc))
link = io.BytesIO()
with zipfile.ZipFile(link, "w") as z:
    z.writestr("imsmanifest.xml", MANIFEST.format("q.xml"))
    info = zipfile.ZipInfo("q.xml")
    info.create_system = 3
    info.external_attr = (0o120777 << 16)
    z.writestr(info, "/etc/passwd")
w("zip-symlink-entry.zip", link.getvalue())
w("zip-no-manifest.zip", zipped([("readme.txt", "nothing here")]))
w("zip-stored-method-99.zip", bytes(real).replace(b"PK\x01\x02\x14\x00\x14\x00\x00\x08\x08\x00", b"PK\x01\x02\x14\x00\x14\x00\x00\x08\x63\x00", 1))
w("zip-empty-archive.zip", zipped([]))
# --- XML ---
w("xml-utf16le-bom.xml", "\ufeff" .encode("utf-16-le") + MOODLE.format("UTF-16", "Caf\u00e9 in UTF-16?", "Yes").encode("utf-16-le"))
w("xml-utf16be-bom.xml", "\ufeff".encode("utf-16-be") + MOODLE.format("UTF-16", "Big end\u00e9?", "Yes").encode("utf-16-be"))
w("xml-latin1-declared.xml", MOODLE.format("ISO-8859-1", "Z\u00fcrich ist sch\u00f6n?", "Ja").encode("latin-1"))
w("xml-us-ascii.xml", MOODLE.format("US-ASCII", "Plain &#233; reference?", "Yes"))
w("xml-unknown-encoding.xml", MOODLE.format("KOI8-R", "x", "y"))
w("xml-billion-laughs.xml", '<?xml version="1.0"?><!DOCTYPE quiz [<!ENTITY a "aaaaaaaaaa">' +
  "".join('<!ENTITY %s "%s">' % (chr(98 + i), ("&%s;" % chr(97 + i)) * 10) for i in range(9)) +
  ']><quiz><question type="truefalse"><questiontext><text>&j;</text></questiontext></question></quiz>')
w("xml-external-entity.xml", '<?xml version="1.0"?><!DOCTYPE quiz [<!ENTITY x SYSTEM "file:///etc/passwd">]>'
  '<quiz><question type="truefalse"><questiontext><text>&x;</text></questiontext></question></quiz>')
w("xml-external-dtd.xml", '<?xml version="1.0"?><!DOCTYPE quiz SYSTEM "http://127.0.0.1:9/x.dtd">'
  '<quiz><question type="truefalse"><questiontext><text>&undeclared;</text></questiontext></question></quiz>')
w("xml-parameter-entity.xml", '<?xml version="1.0"?><!DOCTYPE quiz [<!ENTITY % p SYSTEM "file:///etc/passwd"> %p;]><quiz/>')
w("xml-duplicate-attribute.xml", '<quiz><question type="truefalse" type="multichoice"/></quiz>')
w("xml-bad-name.xml", '<quiz><1question/></quiz>')
w("xml-invalid-utf8.xml", b'<quiz><question type="truefalse"><questiontext><text>\xff\xfe\xc0\x80</text></questiontext></question></quiz>')
w("xml-double-dash-comment.xml", '<quiz><!-- a -- b --><question/></quiz>')
w("xml-deep-nesting.xml", "<quiz>" + "<a>" * 100000)
w("xml-truncated.xml", MOODLE.format("UTF-8", "cut", "here")[:120])
w("xml-nul-bytes.xml", b"<quiz>\0\0\0</quiz>")
w("xml-bad-char-ref.xml", "<quiz><question><name><text>&#1;&#xD800;</text></name></question></quiz>")
w("xml-utf16-lying-declaration.xml", MOODLE.format("UTF-16", "declared UTF-16 but UTF-8", "x"))
# --- HTML in a reader ---
w("html-entities-moodle.xml", MOODLE.format("UTF-8", "Jamaica&amp;lrm; No&amp;euml;l &amp;Delta;x &amp;NotNestedLessLess; &amp;copy &amp;notit;",
                                            "&amp;frac34;"))
w("html-script-and-deep-tags.xml", MOODLE.format("UTF-8", "&lt;script&gt;alert(1)&lt;/script&gt;" + "&lt;div&gt;" * 20000 + "x", "y"))
w("html-trivia-entities.json", '{"response_code":0,"results":[{"category":"Geography","type":"multiple","difficulty":"easy",'
  '"question":"Capital of Jamaica&lrm;? No&euml;l &Delta; &hellip;","correct_answer":"Kingston",'
  '"incorrect_answers":["Montego&nbsp;Bay","&lt;b&gt;Negril&lt;/b&gt;","Ocho&#x20;Rios"]}]}')
# --- text formats ---
w("gift-unclosed-brace.gift", "::Q1:: What? {=yes ~no\n::Q2:: {" * 1000)
w("gift-html-entities.gift", "::Q1::[html]Jamaica&lrm; &euml;? {=Yes ~No}\n")
w("csv-unclosed-quote.csv", 'question,a,b,correct\n"never closed,x,y,A\n')
w("csv-nul-and-bad-utf8.csv", b"question,a,b,correct\nQ\0\xff,x,y,A\n")
w("json-deep-arrays.json", "[" * 100000)
w("json-huge-number.json", '[{"question":"Q","choices":["a","b"],"answer":1e999999}]')
w("qti21-item-utf16.xml", "\ufeff".encode("utf-16-le") + ITEM.format("UTF-16 prompt &#233;").encode("utf-16-le"))
w("qti12-latin1.xml", ('<?xml version="1.0" encoding="ISO-8859-1"?><questestinterop><item ident="i1" title="t">'
  '<presentation><material><mattext texttype="text/html">Caf\u00e9&lt;br&gt;&amp;euml;</mattext></material>'
  '<response_lid ident="r"><render_choice><response_label ident="A"><material><mattext>Yes</mattext></material>'
  '</response_label></render_choice></response_lid></presentation><resprocessing><respcondition><conditionvar>'
  '<varequal respident="r">A</varequal></conditionvar><setvar action="Set">100</setvar></respcondition>'
  '</resprocessing></item></questestinterop>').encode("latin-1"))
