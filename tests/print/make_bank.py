import json, sys
# Unique stems and choices so the text in the PDF says which question it is.
n = int(sys.argv[1]) if len(sys.argv) > 1 else 40
words = ["river","stone","copper","maple","violet","harbor","falcon","ember","glacier","meadow"]
items = []
for i in range(n):
    w = words[i % 10] + " " + words[(i * 3 + 1) % 10]
    qid = "Q%03d" % i
    k = i % 5
    stem = "Question %s about the %s" % (qid, w)
    if i % 7 == 3:
        stem += "\nwith a second line\nand a third line that is rather long so that it wraps across the page width and takes space"
    if k in (0, 1, 2):
        ch = {L: "%s option %s %s" % (qid, L, words[(i + j) % 10]) for j, L in enumerate("ABCD")}
        if k == 2: ch["D"] = "All of the above"
        if i % 11 == 4: ch["C"] = ""
        items.append({"id": qid, "type": "multiple_choice", "question": stem, "choices": ch,
                      "correct": "ABD"[i % 3] if k != 2 else "D", "objectives": {"MLO": "m"}})
    elif k == 3:
        items.append({"id": qid, "type": "true_false", "question": stem, "correct": "True" if i % 2 else "False", "objectives": {"MLO": "m"}})
    else:
        items.append({"id": qid, "type": "numerical", "question": stem, "answer": str(i * 1.5), "objectives": {"MLO": "m"}})
items.append({"id": "ALG1", "type": "algorithmic", "question": "Add", "algorithm": {"template": "{a}+{b}"}, "objectives": {"MLO": "m"}})
items.append({"id": "ESC<&>", "type": "tf", "question": "Is <b>bold</b> & \"quoted\" shown as text?\r\nSecond line", "correct": True, "objectives": {"MLO": "m"}})
json.dump({"items": items}, open(sys.argv[2] if len(sys.argv) > 2 else "bank.json", "w"), indent=1)
