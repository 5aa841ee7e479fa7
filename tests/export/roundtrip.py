#!/usr/bin/python3
"""Round trip of vtexport: files of many contacts from the tests' own Palm
encoder are exported in every format and read back with independent
parsers (vobject for vCard, the csv module for CSV); every value that went
in must come back out, and the input file must not change."""
import argparse
import csv
import hashlib
import io
import json
import os
import shlex
import subprocess
import sys
import tempfile

import vobject

TEL_TYPES = {
    "vcard4": {0: {"work", "voice"}, 1: {"home", "voice"}, 2: {"fax"}, 3: {"voice"},
               5: {"voice"}, 6: {"pager"}, 7: {"cell"}},
    "vcard3": {0: {"work", "voice"}, 1: {"home", "voice"}, 2: {"fax"}, 3: {"voice"},
               5: {"voice", "pref"}, 6: {"pager"}, 7: {"cell", "voice"}},
}
CSV_PHONES = {0: ["Business Phone", "Business Phone 2"], 1: ["Home Phone", "Home Phone 2"],
              2: ["Business Fax", "Home Fax", "Other Fax"], 3: ["Other Phone"],
              5: ["Primary Phone"], 6: ["Pager"], 7: ["Mobile Phone"]}
ADR_CSV = ["Business", "Home", "Other"]

failures = []


def check(cond, what):
    if not cond:
        failures.append(what)
        if len(failures) > 40:
            report()


def report():
    for f in failures[:40]:
        print("FAIL:", f)
    print("%d failures" % len(failures))
    sys.exit(1)


def run(runner, args):
    cmd = shlex.split(runner) + args if runner else args
    return subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)


def lf(text):
    return text.replace("\r\n", "\n")


def check_raw_vcard(data, tag):
    check(data.endswith(b"\r\n"), tag + ": ends with CR LF")
    for n, line in enumerate(data.split(b"\r\n")[:-1]):
        check(len(line) <= 75, "%s: line %d has %d octets" % (tag, n + 1, len(line)))
        check(b"\n" not in line and b"\r" not in line, "%s: bare line break in line %d" % (tag, n + 1))
        try:
            line.decode("utf-8")
        except UnicodeDecodeError:
            check(False, "%s: line %d is not whole UTF-8 (folded inside a character)" % (tag, n + 1))
    text = data.decode("utf-8", "replace")
    check("\ufffd" not in text, tag + ": replacement characters")
    # The fixture holds no "?": one in the output is a character the conversion lost.
    check("?" not in text, tag + ": a \"?\" in the output")


def check_vcards(fmt, data, expected, tag):
    check_raw_vcard(data, tag)
    cards = list(vobject.readComponents(data.decode("utf-8", "replace")))
    check(len(cards) == len(expected), "%s: %d cards for %d contacts" % (tag, len(cards), len(expected)))
    for i, (card, c) in enumerate(zip(cards, expected)):
        t = "%s card %d" % (tag, i)
        check(card.version.value == ("4.0" if fmt == "vcard4" else "3.0"), t + ": version")
        check(card.n.value.family == c["last"] and card.n.value.given == c["first"],
              "%s: N %r" % (t, card.n.value))
        check(card.fn.value == c["first"] + " " + c["last"], "%s: FN %r" % (t, card.fn.value))
        check(card.org.value[0] == c["company"], "%s: ORG %r" % (t, card.org.value))
        check(card.title.value == c["title"], t + ": TITLE")
        check(lf(card.note.value) == lf(c["note"]), "%s: NOTE %r" % (t, card.note.value))
        tels = [(x.value, set(p.lower() for p in x.params.get("TYPE", [])))
                for x in card.contents.get("tel", [])]
        want = [(v, TEL_TYPES[fmt][code]) for code, v in c["phones"] if code != 4]
        check(tels == want, "%s: TEL %r != %r" % (t, tels, want))
        emails = [x.value for x in card.contents.get("email", [])]
        check(emails == [v for code, v in c["phones"] if code == 4], "%s: EMAIL %r" % (t, emails))
        adrs = card.contents.get("adr", [])
        want_adrs = [(k, a) for k, a in enumerate(c["addresses"]) if any(a)]
        check(len(adrs) == len(want_adrs), "%s: %d ADR" % (t, len(adrs)))
        for adr, (k, a) in zip(adrs, want_adrs):
            v = adr.value
            check([v.street, v.city, v.region, v.code, v.country] == a, "%s: ADR %r" % (t, v))
            check(adr.params.get("TYPE", [""])[0].lower() == ["work", "home", ""][k], t + ": ADR TYPE")
        cats = card.contents.get("categories")
        check((cats[0].value if cats else []) == ([c["category"]] if c["category"] else []),
              t + ": CATEGORIES")
        cls = card.contents.get("class" if fmt == "vcard3" else "x-class")
        check(bool(cls and cls[0].value == "PRIVATE") == c["private"], t + ": private flag")
        for idx, label, value in c["customs"]:
            x = card.contents.get("x-palm-custom%d" % idx)
            check(x is not None and x[0].value == value, "%s: custom %d" % (t, idx))
            if x and label:
                check(x[0].params.get("LABEL") == [label.replace('"', "'")],
                      "%s: custom %d label %r" % (t, idx, x[0].params.get("LABEL")))
        bday = card.contents.get("bday")
        if c["birthday"]:
            want_b = c["birthday"] if fmt == "vcard3" else c["birthday"].replace("-", "")
            check(bday is not None and bday[0].value == want_b, "%s: BDAY %r" % (t, bday and bday[0].value))
        else:
            check(bday is None, t + ": BDAY for a contact without a birthday")


def check_csv(data, expected, tag):
    check(data.startswith(b"\xef\xbb\xbf"), tag + ": byte-order mark")
    rows = list(csv.reader(io.StringIO(data.decode("utf-8-sig"), newline="")))
    header = rows[0]
    check(header[:9] == ["Title", "First Name", "Middle Name", "Last Name", "Suffix", "Company",
                         "Department", "Job Title", "Business Street"], tag + ": header")
    check(header[-1] == "Web Page" and "Notes" in header, tag + ": header end")
    recs = [dict(zip(header, r)) for r in rows[1:]]
    check(all(len(r) == len(header) for r in rows), tag + ": ragged rows")
    check(len(recs) == len(expected), "%s: %d rows" % (tag, len(recs)))
    for i, (r, c) in enumerate(zip(recs, expected)):
        t = "%s row %d" % (tag, i)
        check(r["First Name"] == c["first"] and r["Last Name"] == c["last"], t + ": name")
        check(r["Company"] == c["company"] and r["Job Title"] == c["title"], t + ": company")
        for k, a in enumerate(c["addresses"]):
            p = ADR_CSV[k]
            got = [r[p + " Street"], r[p + " City"], r[p + " State"], r[p + " Postal Code"],
                   r[p + " Country/Region"]]
            check(got == a, "%s: %s address %r" % (t, p, got))
        notes = r["Notes"]
        check(notes.startswith(c["note"]), "%s: Notes %r" % (t, notes[:60]))
        used = set()
        emails = [v for code, v in c["phones"] if code == 4]
        for n, e in enumerate(emails[:3]):
            col = "E-mail Address" if n == 0 else "E-mail %d Address" % (n + 1)
            check(r[col] == e, "%s: %s" % (t, col))
        for code, v in c["phones"]:
            if code == 4:
                continue
            cols = CSV_PHONES.get(code, ["Other Phone"])
            free = [x for x in cols if x not in used]
            if free:
                used.add(free[0])
                check(r[free[0]] == v, "%s: %s %r != %r" % (t, free[0], r[free[0]], v))
            else:
                check("%s: %s" % (cols[0], v) in notes, "%s: phone %r in Notes" % (t, v))
        for idx, label, value in c["customs"]:
            check("%s: %s" % (label or "Custom %d" % idx, value) in notes,
                  "%s: custom %d in Notes" % (t, idx))
        check(r["Categories"] == c["category"], t + ": Categories")
        check(r["Private"] == ("True" if c["private"] else "False"), t + ": Private")
        if c["birthday"]:
            y, m, d = (int(x) for x in c["birthday"].split("-"))
            check(r["Birthday"] == "%d/%d/%04d" % (m, d, y), "%s: Birthday %r" % (t, r["Birthday"]))
        else:
            check(r["Birthday"] == "", t + ": Birthday for a contact without one")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--vtexport", required=True)
    ap.add_argument("--fixture", required=True)
    ap.add_argument("--count", type=int, default=5000)
    ap.add_argument("--runner", default="")
    a = ap.parse_args()
    with tempfile.TemporaryDirectory() as tmp:
        for kind in ("classic", "41x"):
            dat = os.path.join(tmp, kind + ".dat")
            js = os.path.join(tmp, kind + ".json")
            r = run(a.runner, [a.fixture, kind, str(a.count), dat, js])
            check(r.returncode == 0, "fixture %s: %s" % (kind, r.stderr))
            expected = json.load(open(js, encoding="utf-8"))
            before = hashlib.sha256(open(dat, "rb").read()).hexdigest()
            for fmt in ("vcard4", "vcard3", "csv"):
                out = os.path.join(tmp, "%s-%s.out" % (kind, fmt))
                r = run(a.runner, [a.vtexport, "--format", fmt, "-o", out, dat])
                tag = "%s %s" % (kind, fmt)
                err = r.stderr.decode("utf-8", "replace")
                check(r.returncode == 0, "%s: exit %d: %s" % (tag, r.returncode, err))
                check("Wrote %d contacts, skipped 0." % a.count in err, "%s: stderr %r" % (tag, err))
                data = open(out, "rb").read()
                if fmt == "csv":
                    check_csv(data, expected, tag)
                else:
                    check_vcards(fmt, data, expected, tag)
            after = hashlib.sha256(open(dat, "rb").read()).hexdigest()
            check(before == after, kind + ": the input file changed")
            print("%s: %d contacts checked in 3 formats" % (kind, len(expected)))
    if failures:
        report()
    print("round trip passed")


if __name__ == "__main__":
    main()
