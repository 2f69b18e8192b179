#!/usr/bin/env python3
"""The reader's page of `pagevane-cli read` in Chromium on books of 50,000 pages.

Three generated books: pages in 50 folders with no contents of their own (the page list under
its folders is the tree), 50,000 pages in one folder (a top level of 50,000 entries), and a
manual whose home page nests every page three levels deep. For each, measured in the page's own
timeline (from the start of its navigation, the reader opened on a small page): the page list
drawn, the book's contents arrived from the server and drawn (the time the script took to draw
each), and, after that, a page deep in the tree opened from the reader with its entry selected
and its branch drawn open.
Targets: the contents drawn 0.5 s after they arrive, the deep page selected in 0.5 s; a ratio of
1 or less meets them.
  bench_read_page.py CLI     (CLI: the native pagevane-cli; needs Debian's chromium)
"""

import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "browser"))
from cdp import Browser  # noqa: E402

PAGES = 50000


def page(title, up=""):
    return ("<html><head><title>%s</title></head><body><h1>%s</h1><p>Some text about the "
            "harbour.</p><a href=\"%sindex.html\">Home</a></body></html>\n" % (title, title, up))


def write(folder, name, text):
    path = os.path.join(folder, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


def folders_site(folder):
    for p in range(PAGES):
        write(folder, "part%d/page%d.html" % (p % 50, p), page("Page %d" % p, "../"))
    write(folder, "index.html", page("Home"))
    return "/index.html", "/part%d/page%d.html" % ((PAGES - 1) % 50, PAGES - 1)


def flat_site(folder):
    for p in range(PAGES):
        write(folder, "page%05d.html" % p, page("Page %d" % p))
    write(folder, "index.html", page("Home"))
    return "/index.html", "/page%05d.html" % (PAGES - 1)


def nested_site(folder):
    def name(p):
        return "part%d/page%d.html" % (p // 1000, p)
    home = ["<html><head><title>Manual</title></head><body><nav class=\"toc\"><ul>"]
    for part in range(PAGES // 1000):
        home.append("<li><a href=\"%s\">Part %d</a><ul>" % (name(part * 1000), part))
        for chapter in range(part * 1000, part * 1000 + 1000, 50):
            home.append("<li><a href=\"%s#top\">Chapter %d</a><ul>"
                        % (name(chapter), chapter // 50))
            home.extend("<li><a href=\"%s\">Section %d</a></li>" % (name(p), p)
                        for p in range(chapter, chapter + 50))
            home.append("</ul></li>")
        home.append("</ul></li>")
    home.append("</ul></nav></body></html>\n")
    write(folder, "index.html", "\n".join(home))
    for p in range(PAGES):
        write(folder, name(p), page("Section %d" % p, "../"))
    return "/" + name(1), "/" + name(PAGES - 1)


def serve(cli, book):
    process = subprocess.Popen([cli, "read", book, "--no-open", "-q"], stdout=subprocess.PIPE)
    ready, _, _ = select.select([process.stdout], [], [], 30)
    address = process.stdout.readline().decode().strip() if ready else ""
    if not address.startswith("http://127.0.0.1:"):
        process.kill()
        raise RuntimeError("read printed no address")
    return process, address


def report(what, ms, target=None):
    line = "  %-58s %8.0f ms" % (what, ms)
    if target:
        line += "   target %5.0f ms   ratio %.2f" % (target, ms / target)
    print(line)


DRAWN = """new Promise(done => {
    const nav = document.getElementById('contents');
    const painted = () => requestAnimationFrame(() => setTimeout(() => done(performance.now())));
    if (!nav.hasAttribute('aria-busy')) return painted();
    new MutationObserver((m, o) => {
        if (!nav.hasAttribute('aria-busy')) { o.disconnect(); painted(); }
    }).observe(nav, {attributes: true});
})"""

DEEP = """new Promise(done => {
    const start = performance.now();
    const frame = document.getElementById('page');
    frame.addEventListener('load', () => requestAnimationFrame(() => setTimeout(() => {
        const c = document.querySelector('#contents .item.current');
        done([performance.now() - start, c ? c.textContent : null,
              document.querySelectorAll('#contents li').length]);
    })), {once: true});
    frame.contentWindow.location.replace(%r);
})"""


def measure(b, cli, book, start, deep):
    process, address = serve(cli, book)
    try:
        # The reader opens on a small page: a home page naming 50,000 pages would be drawn in the
        # frame on the same thread, and measured with the contents.
        b.navigate(address + "#" + start)
        found = b.evaluate(DRAWN, timeout=120)
        marks = {m["name"]: m for m in b.evaluate(
            "performance.getEntriesByType('measure').map(m => ({name: m.name, "
            "start: m.startTime, duration: m.duration}))")}
        arrived = b.evaluate("performance.getEntriesByType('resource').filter(r => "
                             "r.name.endsWith('/:reader/contents.json'))[0].responseEnd")
        entries = b.evaluate("document.querySelectorAll('#contents li').length")
        if "pv-page-list" in marks:
            m = marks["pv-page-list"]
            report("page list drawn (drawing took %.0f ms)" % m["duration"],
                   m["start"] + m["duration"])
        report("contents arrived from the server", arrived)
        m = marks["pv-contents"]
        report("contents drawn, %d items (drawing took %.0f ms)" % (entries, m["duration"]), found)
        report("  drawn after they arrived", found - arrived, 500)
        ms, label, drawn = b.evaluate(DEEP % deep, timeout=60)
        report("deep page opened, %s selected, %d items drawn" % (label, drawn), ms, 500)
    finally:
        process.send_signal(signal.SIGINT)
        process.wait(timeout=30)


def main():
    if len(sys.argv) != 2:
        print("usage: bench_read_page.py CLI", file=sys.stderr)
        return 2
    cli = os.path.abspath(sys.argv[1])
    if not (shutil.which("chromium") or shutil.which("chromium-browser")):
        print("bench_read_page: no chromium; skipped")
        return 0
    work = tempfile.mkdtemp(prefix="pv-bench-read-page-")
    try:
        with Browser(os.path.join(work, "profile"), timeout=120) as b:
            for what, make in (("50,000 pages in 50 folders, no contents of their own",
                                folders_site),
                               ("50,000 pages in one folder", flat_site),
                               ("50,000 pages nested three levels by the home page", nested_site)):
                site = os.path.join(work, "site")
                shutil.rmtree(site, ignore_errors=True)
                start, deep = make(site)
                book = os.path.join(work, "book.exe")
                subprocess.run([cli, "build", site, "-o", book, "-q", "--home", "index.html"],
                               check=True)
                print("%s:" % what)
                measure(b, cli, book, start, deep)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
