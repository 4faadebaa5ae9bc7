#!/usr/bin/env python3
"""The HTML coverage report read by a real browser: headless chromium prints it to PDF
and takes a screenshot; the PDF's text (pdftotext) must hold every row of the CSV report
(each outcome code with its counts, in order), the page must name no resource outside
itself and the browser must report none missing.

usage: check_report_page.py TESTBANK DATA_DIR WORK_DIR [PAGE]
PAGE: check this page instead of making one (for trying the checks on a broken page)."""
import csv, io, os, re, shutil, subprocess, sys

testbank, data, work = sys.argv[1:4]
page = sys.argv[4] if len(sys.argv) > 4 else None
os.makedirs(work, exist_ok=True)
failures = []


def fail(msg):
    failures.append(msg)
    print("FAIL: " + msg)


def run(args, **kw):
    return subprocess.run(args, capture_output=True, timeout=120, **kw)


bank = os.path.join(data, "coverage.json")
expect = os.path.join(data, "coverage-expected.csv")
if page is None:
    page = os.path.join(work, "coverage.html")
    r = run([testbank, "report", bank, "--expect", expect, "--format", "html", "-o", page])
    if r.returncode != 0:
        sys.exit("testbank report failed: " + r.stderr.decode())
r = run([testbank, "report", bank, "--expect", expect, "--format", "csv"])
rows = list(csv.reader(io.StringIO(r.stdout.decode())))[1:]
html = open(page, encoding="utf-8").read()

# Standalone: nothing fetched, nothing linked (the SVG namespace is a name, not a fetch).
refs = re.findall(r'(?i)\b(?:src|href)\s*=|url\(|@import|<(?:link|script|img|iframe|object|embed)\b', html)
if refs:
    fail("the page refers to resources: %s" % refs[:5])

chromium = shutil.which("chromium") or shutil.which("chromium-browser")
if not chromium:
    sys.exit("chromium is not installed (scripts/setup.sh installs it)")
flags = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
         "--disable-component-update", "--disable-sync", "--no-first-run", "--enable-logging=stderr",
         "--v=0", "--host-resolver-rules=MAP * ~NOTFOUND"]  # nothing leaves the machine
url = "file://" + os.path.abspath(page)
pdf = os.path.join(work, "coverage.pdf")
shot = os.path.join(work, "coverage.png")
for path in (pdf, shot):
    if os.path.exists(path):
        os.remove(path)
logs = ""
netlog = os.path.join(work, "netlog.json")
for out in (["--no-pdf-header-footer", "--print-to-pdf=" + pdf],
            ["--window-size=1000,1400", "--screenshot=" + shot, "--log-net-log=" + netlog]):
    profile = os.path.join(work, "profile-" + str(len(logs)))
    shutil.rmtree(profile, ignore_errors=True)
    r = run([chromium] + flags + ["--user-data-dir=" + profile] + out + [url])
    logs += r.stderr.decode(errors="replace")
    shutil.rmtree(profile, ignore_errors=True)
for line in logs.splitlines():
    if "Failed to load resource" in line or "net::ERR_" in line or "Not allowed to load" in line:
        fail("the browser reports a broken resource: " + line.strip())
# What the page asked the network for (the browser's own update and account calls aside).
if os.path.exists(netlog):
    for fetched in sorted(set(re.findall(r'"url":"([^"]*)"', open(netlog, errors="replace").read()))):
        if not re.match(r"https?://[^/]*\b(google\.com|googleapis\.com|gvt1\.com)/", fetched):
            fail("the page fetched " + fetched)
if not os.path.exists(pdf) or not os.path.exists(shot):
    sys.exit("chromium made no PDF or screenshot:\n" + logs[-2000:])

# Every outcome row of the report, with its counts, in the order of the CSV.
text = run(["pdftotext", "-layout", pdf, "-"]).stdout.decode()
lines = [" ".join(line.split()) for line in text.splitlines()]
at = 0
for level, code, items, mc, tf, num, alg, expected in rows:
    shown = code if code else "(blank)"
    cells = [shown, items, mc, tf, num, alg] + ([expected] if code and expected else [])
    want = " ".join(cells)
    while at < len(lines) and not (lines[at] == want or lines[at].startswith(want + " ")):
        at += 1
    if at == len(lines):
        fail("the PDF lacks the %s row %r (or has it out of order)" % (level, want))
        break
    at += 1
for needle in ("Items with a blank MLO: C7, C8", 'Near-identical codes: "MLO-1" (3), "MLO1" (1), "mlo_1" (1)',
               "Not assessed: MLO-3, MLO-4", "Not on the list: MLO-X, MLO1, mlo_1", "Not assessed: CLO-4"):
    if needle not in lines:
        fail("the PDF lacks the line %r" % needle)
# The charts are drawn: their legends and bars' counts are text in the PDF too.
if text.count("Multiple choice") < 6:
    fail("the charts' legends are missing from the PDF")

# The screenshot is a drawn page, not a blank one.
colours = run(["convert", shot, "-format", "%k", "info:"]).stdout.decode().strip()
if not colours.isdigit() or int(colours) < 16:
    fail("the screenshot looks blank (%s colours)" % colours)

print("report page: %d rows checked, %s" % (len(rows), "FAILED" if failures else "ok"))
sys.exit(1 if failures else 0)
