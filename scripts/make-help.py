#!/usr/bin/env python3
"""Builds the IDE's HTML manuals from the Markdown pages in docs/.

    python3 scripts/make-help.py          (writes ide/help/user.html and ide/help/progref.html)
    python3 scripts/make-help.py --check  (exit 1 when a committed manual is out of date)

Each manual starts with its contents (anchor "contents"); every identifier written as code
gets an index anchor "kw-<name>" at its first place, which the IDE's keyword search (F1)
looks for, and a keyword index closes the manual. Only the Markdown the docs use is
understood: headings, paragraphs, lists, tables, fenced code, inline code, bold, links.
"""
import html
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

MANUALS = {
    "user.html": ("Tarn Pascal User's Manual",
                  ["ide.md", "tpc.md", "runtime-errors.md"]),
    "progref.html": ("Tarn Pascal Programmer's Reference Manual",
                     ["stdlib.md", "files.md", "external.md", "automation.md",
                      "database.md", "runtime-errors.md", "engine.md", "image-format.md", "assembler.md"]),
}

IDENT = re.compile(r"^([A-Za-z_][A-Za-z0-9_]*)(\(.*\))?$")


class Writer:
    def __init__(self):
        self.keywords = {}  # lower name -> shown name
        self.headings = []  # (level, id, text)
        self.out = []

    def inline(self, text):
        # Bold may enclose code: marked first, turned into tags after escaping.
        text = re.sub(r"\*\*(.+?)\*\*", "\x01\\1\x02", text)
        return self.code_spans(text).replace("\x01", "<b>").replace("\x02", "</b>")

    def code_spans(self, text):
        parts = re.split(r"(`[^`]*`)", text)
        result = []
        for p in parts:
            if len(p) >= 2 and p.startswith("`") and p.endswith("`"):
                code = p[1:-1]
                shown = "<code>%s</code>" % html.escape(code)
                m = IDENT.match(code)
                if m and m.group(1).lower() not in self.keywords:
                    name = m.group(1)
                    self.keywords[name.lower()] = name
                    shown = '<a name="kw-%s">%s</a>' % (name.lower(), shown)
                result.append(shown)
                continue
            p = html.escape(p, quote=False)
            p = re.sub(r"!\[([^\]]*)\]\(([^)]*)\)", r"", p)
            p = re.sub(r"\[([^\]]+)\]\((https?://[^)]*)\)", r'<a href="\2">\1</a>', p)
            p = re.sub(r"\[([^\]]+)\]\(([^)]*)\)", r"\1", p)
            result.append(p)
        return "".join(result)

    def heading(self, level, text):
        hid = "s%d" % (len(self.headings) + 1)
        self.headings.append((level, hid, text))
        self.out.append('<h%d><a name="%s"></a>%s</h%d>' % (level, hid, self.inline(text), level))

    def page(self, path):
        lines = open(path, encoding="utf-8").read().split("\n")
        i = 0
        para = []

        def flush():
            if para:
                self.out.append("<p>%s</p>" % self.inline(" ".join(para)))
                para.clear()

        while i < len(lines):
            line = lines[i]
            if line.startswith("```"):
                flush()
                i += 1
                code = []
                while i < len(lines) and not lines[i].startswith("```"):
                    code.append(lines[i])
                    i += 1
                self.out.append("<pre>%s</pre>" % html.escape("\n".join(code)))
                i += 1
                continue
            m = re.match(r"^(#{1,4}) (.*)$", line)
            if m:
                flush()
                # A page's own title becomes a level-2 heading of the manual.
                self.heading(min(len(m.group(1)) + 1, 4), m.group(2))
                i += 1
                continue
            if line.startswith("|"):
                flush()
                rows = []
                while i < len(lines) and lines[i].startswith("|"):
                    rows.append(lines[i])
                    i += 1
                self.table(rows)
                continue
            m = re.match(r"^(\s*)([-*]|\d+\.) (.*)$", line)
            if m:
                flush()
                ordered = m.group(2)[0].isdigit()
                items = []
                while i < len(lines):
                    m = re.match(r"^(\s*)([-*]|\d+\.) (.*)$", lines[i])
                    if m:
                        items.append(m.group(3))
                    elif lines[i].startswith("  ") and lines[i].strip() and items:
                        items[-1] += " " + lines[i].strip()
                    else:
                        break
                    i += 1
                tag = "ol" if ordered else "ul"
                self.out.append("<%s>%s</%s>" % (
                    tag, "".join("<li>%s</li>" % self.inline(t) for t in items), tag))
                continue
            if not line.strip():
                flush()
            else:
                para.append(line.strip())
            i += 1
        flush()

    def table(self, rows):
        def cells(r):
            r = r.strip()
            if r.startswith("|"):
                r = r[1:]
            if r.endswith("|"):
                r = r[:-1]
            return [c.strip() for c in re.split(r"(?<!\\)\|", r)]
        out = ['<table border="1" cellspacing="0" cellpadding="3">']
        for n, r in enumerate(rows):
            if n == 1 and re.match(r"^\|[\s:|-]+\|?$", r.strip()):
                continue
            tag = "th" if n == 0 else "td"
            out.append("<tr>%s</tr>" % "".join(
                "<%s>%s</%s>" % (tag, self.inline(c.replace("\\|", "|")), tag) for c in cells(r)))
        out.append("</table>")
        self.out.append("".join(out))


def build(name, title, pages):
    w = Writer()
    for p in pages:
        w.page(os.path.join(ROOT, "docs", p))
    toc = ['<ul>']
    for level, hid, text in w.headings:
        if level <= 3:
            indent = "&nbsp;" * 4 * (level - 2)
            toc.append('<li>%s<a href="#%s">%s</a></li>' % (indent, hid, html.escape(text.replace("`", ""))))
    toc.append("</ul>")
    index = ", ".join('<a href="#kw-%s"><code>%s</code></a>' % (k, html.escape(w.keywords[k]))
                      for k in sorted(w.keywords))
    doc = ["<!DOCTYPE html>", "<html><head><meta charset=\"utf-8\"><title>%s</title>" % title,
           "</head><body>",
           "<!-- Made by scripts/make-help.py from docs/; edit those pages, not this file. -->",
           '<h1><a name="contents"></a>%s</h1>' % title,
           "<h2>Contents</h2>", "".join(toc)]
    doc += w.out
    doc += ['<h2><a name="index"></a>Keyword index</h2>', "<p>%s</p>" % index, "</body></html>"]
    return "\n".join(doc) + "\n"


def main():
    check = "--check" in sys.argv[1:]
    folder = os.path.join(ROOT, "ide", "help")
    os.makedirs(folder, exist_ok=True)
    stale = []
    for name, (title, pages) in MANUALS.items():
        text = build(name, title, pages)
        path = os.path.join(folder, name)
        if check:
            try:
                current = open(path, encoding="utf-8").read()
            except OSError:
                current = None
            if current != text:
                stale.append(name)
            continue
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
    for name in stale:
        print("ide/help/%s is out of date: run python3 scripts/make-help.py" % name)
    return 1 if stale else 0


if __name__ == "__main__":
    sys.exit(main())
