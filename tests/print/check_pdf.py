"""The printed exam read back from the browser's PDF: every question of every version
once, in the order the key says, never cut across a page break; the key's letters name
the correct choices as printed; choice lists that refer to the others keep their order.
usage: check_pdf.py BANK.json KEY.csv PDF"""
import csv
import json
import re
import subprocess
import sys

bank_path, key_path, pdf_path = sys.argv[1:4]
items = {i["id"]: i for i in json.load(open(bank_path, encoding="utf-8"))["items"]}
with open(key_path, encoding="utf-8", newline="") as f:
    rows = list(csv.reader(f))
assert rows[0] == ["version", "number", "id", "answer"], rows[0]
key = {}
for version, number, qid, answer in rows[1:]:
    key.setdefault(int(version), []).append((int(number), qid, answer))

info = subprocess.run(["pdfinfo", pdf_path], capture_output=True, text=True, check=True).stdout
pages = int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1))


def flat(text):
    return " ".join(text.split())


# Each page's text alone, so a question split over two pages shows as parts on both.
page_text = [flat(subprocess.run(["pdftotext", "-f", str(p), "-l", str(p), pdf_path, "-"],
                                 capture_output=True, text=True, check=True).stdout) for p in range(1, pages + 1)]

failures = []
def fail(message):
    failures.append(message)


# The version each page belongs to, from its running header ("... · Version N").
def page_version(text):
    m = re.search(r"Version (\d+)", text)
    return int(m.group(1)) if m and "Answer key" not in text[:200] else None


def parts(item):
    """The texts a question prints: its stem's lines and its non-empty choices."""
    out = [flat(line) for line in item["question"].splitlines() if line.strip()]
    if item["type"] == "multiple_choice":
        out += [flat(t) for L, t in sorted(item["choices"].items()) if t.strip() and t != "All of the above"]
    return out


for version, entries in sorted(key.items()):
    vpages = [i for i, t in enumerate(page_text) if page_version(t) == version]
    if not vpages:
        fail(f"version {version}: no pages")
        continue
    text = " ".join(page_text[i] for i in vpages)
    numbers = [re.search(rf"Version {version}, page (\d+)", page_text[i]) for i in vpages]
    numbers = [int(m.group(1)) if m else None for m in numbers]
    if numbers != list(range(1, len(vpages) + 1)):
        fail(f"version {version}: its pages are numbered {numbers}")
    numbers = [n for n, _, _ in entries]
    if numbers != list(range(1, len(entries) + 1)):
        fail(f"version {version}: key numbers {numbers}")
    last = -1
    for number, qid, answer in entries:
        item = items[qid]
        stem = flat(item["question"].splitlines()[0])
        # Once in the version, after the question before it, under its number.
        if text.count(stem + " ") + text.endswith(stem) != 1:
            fail(f"version {version}: {qid} printed {text.count(stem)} times")
            continue
        at = text.index(stem)
        if at < last:
            fail(f"version {version}: {qid} (number {number}) printed before the question before it")
        last = at
        if not text[:at].rstrip().endswith(f"{number}."):
            fail(f"version {version}: {qid} is not numbered {number}")
        # Whole on one page.
        on = [i for i in vpages if stem in page_text[i]]
        for part in parts(item):
            if not any(part in page_text[i] for i in on):
                fail(f"version {version}: {qid} cut across a page break ('{part}' not on page {on[0] + 1})")
        page = page_text[on[0]]
        tail = page[page.index(stem):]
        if item["type"] == "multiple_choice":
            letters = {}
            for m in re.finditer(r"\b([a-d])\) (.*?)(?= [a-d]\) | \d+\. |$)", tail[:2000]):
                letters.setdefault(m.group(1), m.group(2))
            correct = flat(item["choices"][item["correct"]])
            if not letters.get(answer, "").startswith(correct):
                fail(f"version {version}: {qid} key says {answer}, printed {letters.get(answer)!r}, correct {correct!r}")
            if item["choices"].get("D") == "All of the above":
                shown = [letters.get(c, "") for c in "abcd"[:len([t for t in item["choices"].values() if t.strip()])]]
                expected = [flat(item["choices"][L]) for L in "ABCD" if item["choices"][L].strip()]
                if [s[:len(e)] for s, e in zip(shown, expected)] != expected:
                    fail(f"version {version}: {qid} with All of the above reordered: {shown}")
        elif item["type"] in ("true_false", "tf"):
            if "True / False" not in tail[:len(flat(item["question"])) + 40]:
                fail(f"version {version}: {qid} lacks True / False")
        elif "Answer:" not in tail[:len(flat(item["question"])) + 40]:
            fail(f"version {version}: {qid} lacks its answer line")
    # Nothing printed that the key does not list.
    printed = set(re.findall(r"Question (Q\d{3}) about", text))
    if printed != {qid for _, qid, _ in entries if qid.startswith("Q")}:
        fail(f"version {version}: printed {sorted(printed)} but the key lists others")

key_pages = [t for t in page_text if "Answer key" in t[:200]]
if len(key_pages) < len(key):
    fail(f"{len(key_pages)} answer key pages for {len(key)} versions")
for t in page_text:
    if not re.search(r"(Version \d+|Answer key), page \d+", t):
        fail("a page without its page number")
        break
if failures:
    print("\n".join(failures[:30]))
    sys.exit(1)
print(f"pdf ok: {pages} pages, {len(key)} versions of {len(key[1])} questions")
