#!/usr/bin/env python3
"""Pages of e-books in a real Chromium, served by `pagevane-cli read`.

The viewer's WebView2 host and `read` answer every request through the same code
(book/BookWeb), so what Chromium makes of these answers is what the viewer's engine makes of
them. On a generated book that uses today's web (custom properties, grid, a module script, a WOFF2
font, an SVG, a page in Windows-1252, a link to page.html#part, a missing page) and on the sample
book (signed, as books are shipped), this checks:
  - every page and file arrives with its type and renders (styles and script effects read back
    from the DOM; screenshots under the output folder, checked not blank);
  - the not-found page; a request under another host name is refused (DNS rebinding);
  - the reader's page: contents, Next / Back / Forward, fragments, search whose opened hit has
    its words marked by the viewer's marking script;
  - the viewer's own page script and marking script, with a stand-in for window.chrome.webview
    that records what the page script posts: right-click and Ctrl+wheel, marks on the right words.

Usage: run.py --cli build/native/cli/pagevane-cli --scripts build/native/tests/e2e/viewer-scripts
              --out build/browser [--shot docs/reader.png]
With --shot only the reader's page of the sample book is photographed (make reader-shot).
"""

import argparse
import http.client
import json
import os
import select
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cdp import Browser, CdpError  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
FONT = "/usr/share/fonts-font-awesome/fonts/fontawesome-webfont.woff2"
SAMPLE_FLAGS = ["--home", "index.html", "--title", "Lights Along the Shore",
                "--author", "The Pagevane sample", "--option", "SearchButton=1"]

failures = []


def check(what, ok, detail=""):
    print(("ok:   " if ok else "FAIL: ") + what + ("" if ok else "  (%s)" % detail))
    if not ok:
        failures.append(what)
    return ok


# -- the books

FILLER = "<p>" + "The sea wall runs along the bay and the boats come home at dusk. " * 12 + "</p>\n"


def make_modern_site(folder):
    """A small site written as sites are written today."""
    if os.path.isdir(folder):
        shutil.rmtree(folder)
    os.makedirs(os.path.join(folder, "fonts"))
    files = {
        "index.html": """<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>Modern web</title>
<link rel="stylesheet" href="style.css">
<script type="module" src="app.js"></script></head>
<body><h1 id="head">Harbour lights</h1>
<div class="grid" id="grid"><span>one</span><span>two</span><span>three</span></div>
<p id="icon" class="icon">&#xf185;</p>
<img id="pic" src="pic.svg" alt="a picture">
<p>The harbour pilot guides the ships past the lantern room.</p>
<p><a id="tochapter" href="chapter.html#part">To the part</a>
<a id="tolegacy" href="legacy.html">An old page</a>
<a id="tomissing" href="missing.html">A page that is not there</a></p>
</body></html>
""",
        "style.css": """@font-face { font-family: "Icons"; src: url("fonts/icons.woff2") format("woff2"); }
:root { --accent: rgb(12, 34, 56); --gap: 7px; }
h1 { color: var(--accent); }
.grid { display: grid; grid-template-columns: 100px 100px 100px; gap: var(--gap); }
.icon { font-family: "Icons"; font-size: 32px; }
""",
        "app.js": "import { greet } from './lib.js';\ndocument.body.dataset.module = greet();\n",
        "lib.js": "export function greet() { return 'ran'; }\n",
        "pic.svg": '<svg xmlns="http://www.w3.org/2000/svg" width="120" height="40">'
                   '<rect width="120" height="40" fill="#3a7"/></svg>\n',
        "chapter.html": "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>The chapter"
                        "</title></head><body><h1>The chapter</h1>\n"
                        "<p>Up in the Lantern Room the keeper trims the wick.</p>\n"
                        "<script>var note = 'lantern room';</script>\n" + FILLER * 6 +
                        "<p>A second lantern room stands on the pier.</p>\n" + FILLER * 6 +
                        "<h2 id=\"part\">The part</h2><p>Its LANTERN ROOM is dark.</p>\n" +
                        FILLER * 6 + "<p><a href=\"index.html\">Home</a></p></body></html>\n",
    }
    for name, text in files.items():
        with open(os.path.join(folder, name), "w", encoding="utf-8") as f:
            f.write(text)
    with open(os.path.join(folder, "legacy.html"), "wb") as f:
        f.write(b'<html><head><meta charset="windows-1252"><title>Legacy</title></head>'
                b'<body><p id="t">caf\xe9 \x80 5</p></body></html>\n')
    shutil.copyfile(FONT, os.path.join(folder, "fonts", "icons.woff2"))


def build_book(cli, folder, out, flags):
    subprocess.run([cli, "build", folder, "-o", out, "-q", *flags], check=True, timeout=60)


def sign_book(cli, book, out):
    """Signs the e-book in place with a throwaway self-signed certificate (read reads a signed
    book as the viewer does: its store ends where the signature begins)."""
    key, cert = os.path.join(out, "key.pem"), os.path.join(out, "cert.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                    "-out", cert, "-days", "2", "-subj", "/CN=Pagevane browser test"],
                   check=True, capture_output=True, timeout=60)
    subprocess.run([cli, "sign", book, "--cert", cert, "--key", key, "-q"], check=True,
                   capture_output=True, timeout=60)
    listed = subprocess.run([cli, "list", book], capture_output=True, text=True, timeout=60).stdout
    return "Signed:    yes" in listed


class Reader:
    """pagevane-cli read, started and stopped as a reader would: the address it prints, Ctrl+C."""

    def __init__(self, cli, book):
        self.process = subprocess.Popen([cli, "read", book, "--no-open"], stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE)
        ready, _, _ = select.select([self.process.stdout], [], [], 10)
        line = self.process.stdout.readline().decode().strip() if ready else ""
        if not line.startswith("http://127.0.0.1:"):
            self.process.kill()
            raise RuntimeError("read printed no address: %r %r" % (line, self.process.stderr.read()))
        self.address = line
        self.port = int(line.rsplit(":", 1)[1].strip("/"))

    def stop(self):
        self.process.send_signal(signal.SIGINT)
        try:
            return self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            return None


def not_blank(path):
    """A screenshot with something drawn on it: its grey levels vary."""
    deviation = subprocess.run(["convert", path, "-colorspace", "gray", "-format",
                                "%[fx:standard_deviation]", "info:"], capture_output=True,
                               text=True, timeout=30).stdout
    try:
        return float(deviation) > 0.02
    except ValueError:
        return False


def status_with_host(port, path, host):
    c = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    c.putrequest("GET", path, skip_host=True)
    c.putheader("Host", host)
    c.endheaders()
    r = c.getresponse()
    r.read()
    c.close()
    return r.status


# -- the checks

def check_modern_pages(b, reader, out):
    base = reader.address
    r = b.navigate(base + "index.html")
    check("index.html arrives as text/html", r["status"] == 200 and r["mimeType"] == "text/html",
          r.get("mimeType"))
    b.wait_for("document.body.dataset.module === 'ran'", what="the module script")
    types = {"style.css": "text/css", "app.js": "text/javascript", "lib.js": "text/javascript",
             "pic.svg": "image/svg+xml", "fonts/icons.woff2": "font/woff2"}
    b.evaluate("document.fonts.load('32px Icons')")
    for name, mime in types.items():
        got = b.response_for(base + name)
        check("%s arrives as %s" % (name, mime), got["status"] == 200 and got["mimeType"] == mime,
              "%s %s" % (got["status"], got["mimeType"]))
    check("a custom property styles the heading",
          b.evaluate("getComputedStyle(document.getElementById('head')).color")
          == "rgb(12, 34, 56)")
    columns = b.evaluate("getComputedStyle(document.getElementById('grid')).gridTemplateColumns")
    check("the grid lays out three columns", columns == "100px 100px 100px", columns)
    check("the grid's gap comes from a custom property",
          b.evaluate("getComputedStyle(document.getElementById('grid')).columnGap") == "7px")
    check("the module script and its import ran",
          b.evaluate("document.body.dataset.module") == "ran")
    check("the WOFF2 font loads",
          b.wait_for("[...document.fonts].some(f => f.family.replace(/\"/g, '') === 'Icons' "
                     "&& f.status === 'loaded')", what="the font"))
    check("the SVG picture draws at its size",
          b.wait_for("(i => i.complete && i.naturalWidth === 120 && i.naturalHeight === 40)"
                     "(document.getElementById('pic'))", what="the picture"))
    shot = b.screenshot(os.path.join(out, "modern-index.png"))
    check("the page is drawn (screenshot not blank)", not_blank(shot), shot)

    b.events.clear()
    b.evaluate("document.getElementById('tochapter').click()")
    b.wait_event("Page.loadEventFired")
    b.wait_for("location.pathname === '/chapter.html'", what="the chapter")
    check("a link to page.html#part opens the page at the part",
          b.evaluate("location.hash === '#part' && window.scrollY > 0 && "
                     "Math.abs(document.getElementById('part').getBoundingClientRect().top) < 2"))
    b.events.clear()
    b.evaluate("history.back()")
    b.wait_for("location.pathname === '/index.html'", what="Back to index.html")
    check("the browser's Back returns from the part", True)

    r = b.navigate(base + "legacy.html")
    check("a Windows-1252 page is read in its charset",
          b.evaluate("document.characterSet") == "windows-1252" and
          b.evaluate("document.getElementById('t').textContent") == "caf\u00e9 \u20ac 5",
          b.evaluate("document.characterSet + ' ' + document.getElementById('t').textContent"))

    r = b.navigate(base + "missing.html")
    check("a missing page is the not-found page (404)",
          r["status"] == 404 and r["mimeType"] == "text/html" and
          "is not part of this e-book" in b.evaluate("document.body.textContent"),
          "%s %s" % (r["status"], r["mimeType"]))


def check_rebinding(cli, book, out):
    """A name that resolves to 127.0.0.1 (as a rebinding attacker arranges) reaches nothing."""
    reader = Reader(cli, book)
    try:
        with Browser(os.path.join(out, "profile-rebind"),
                     ["--host-resolver-rules=MAP rebound.test 127.0.0.1"]) as b:
            r = b.navigate("http://rebound.test:%d/index.html" % reader.port)
            check("a page reached under another host name is refused (403)", r["status"] == 403,
                  r["status"])
            r = b.navigate("http://localhost:%d/:reader/book.json" % reader.port)
            check("localhost is another host name too (403)", r["status"] == 403, r["status"])
        check("a bad Host header is refused for the reader's own answers",
              status_with_host(reader.port, "/:reader/search?q=a", "evil.test") == 403)
    finally:
        reader.stop()


def frame_path(b):
    return b.evaluate("(f => f.contentWindow.location.pathname + f.contentWindow.location.hash)"
                      "(document.getElementById('page'))")


def wait_frame(b, path):
    return b.wait_for("(f => { try { return f.contentDocument.readyState === 'complete' && "
                      "f.contentWindow.location.pathname + f.contentWindow.location.hash === %s; }"
                      " catch (e) { return false; } })(document.getElementById('page'))"
                      % json.dumps(path), what="the frame at " + path)


def press(b, button):
    b.evaluate("document.getElementById(%s).click()" % json.dumps(button))


def check_reader_page(b, reader, out):
    b.navigate(reader.address)
    wait_frame(b, "/index.html")
    b.wait_for("document.querySelectorAll('#contents a').length === 3", what="the contents")
    check("the reader's page names the book",
          b.evaluate("document.getElementById('title').textContent") == "Modern web")
    check("the contents list the pages by title",
          b.evaluate("[...document.querySelectorAll('#contents a')].map(a => a.textContent)"
                     ".join('|')") == "Modern web|The chapter|Legacy",
          b.evaluate("[...document.querySelectorAll('#contents a')].map(a => a.textContent)"
                     ".join('|')"))
    check("Back is closed on the first page", b.evaluate("document.getElementById('back').disabled"))
    schemes = {}
    for scheme in ("dark", "light"):
        b.call("Emulation.setEmulatedMedia",
               features=[{"name": "prefers-color-scheme", "value": scheme}])
        schemes[scheme] = b.evaluate("getComputedStyle(document.body).backgroundColor")
    check("the reader's page follows prefers-color-scheme",
          schemes == {"dark": "rgb(28, 28, 31)", "light": "rgb(255, 255, 255)"}, schemes)
    press(b, "next")
    check("Next follows the page order", wait_frame(b, "/chapter.html"))
    press(b, "back")
    check("Back returns", wait_frame(b, "/index.html"))
    press(b, "forward")
    check("Forward goes again", wait_frame(b, "/chapter.html"))
    press(b, "home")
    wait_frame(b, "/index.html")
    b.evaluate("document.getElementById('page').contentDocument.getElementById('tochapter').click()")
    wait_frame(b, "/chapter.html#part")
    check("a fragment link inside the frame scrolls to the part",
          b.evaluate("document.getElementById('page').contentWindow.scrollY > 0"))
    press(b, "back")
    check("Back returns from the part", wait_frame(b, "/index.html"))

    b.evaluate("document.getElementById('query').value = '\"lantern room\"'; "
               "document.getElementById('search').requestSubmit()")
    b.wait_for("document.querySelectorAll('#hits li').length > 0", what="the search's hits")
    hits = b.evaluate("[...document.querySelectorAll('#hits a')].map(a => a.textContent)")
    check("search from the reader's page finds the phrase", hits[:1] == ["The chapter"], hits)
    b.evaluate("document.querySelector('#hits a').click()")
    wait_frame(b, "/chapter.html")
    marks = b.wait_for("(d => d && [...d.querySelectorAll('mark[data-pv-hit]')]"
                       ".map(m => m.textContent))(document.getElementById('page').contentDocument)",
                       what="the marks")
    check("the opened hit has its words marked (not those in a script)",
          [m.lower() for m in marks] == ["lantern room"] * 3, marks)
    shot = b.screenshot(os.path.join(out, "reader.png"))
    check("the reader's page is drawn (screenshot not blank)", not_blank(shot), shot)


def check_viewer_scripts(b, reader, scripts):
    """The viewer's page script and marking script, as the viewer's WebView2 host injects them."""
    tool = json.loads(subprocess.run([scripts, "lantern room"], capture_output=True, text=True,
                                     check=True, timeout=30).stdout)
    standin = ("window.chrome = window.chrome || {}; window.__posted = [];"
               "window.chrome.webview = {postMessage: function (m) { window.__posted.push(m); }};"
               "window.addEventListener('contextmenu', function (e) {"
               " window.__menuPrevented = e.defaultPrevented; });")
    added = b.call("Page.addScriptToEvaluateOnNewDocument", source=standin + tool["page"])
    try:
        b.navigate(reader.address + "chapter.html")
        b.click(200, 200, button="right")
        b.wait_for("window.__posted.length >= 1", what="the context menu's message")
        check("right-click posts 'contextmenu' and keeps the engine's menu away",
              b.evaluate("window.__posted.join() === 'contextmenu' && window.__menuPrevented"),
              b.evaluate("window.__posted"))
        b.wheel(200, 200, -120, modifiers=2)
        b.wheel(200, 200, 120, modifiers=2)
        b.wheel(200, 200, 120)
        b.wait_for("window.__posted.length >= 3", what="the wheel's messages")
        posted = b.evaluate("window.__posted")
        check("Ctrl+wheel posts the text size and a plain wheel posts nothing",
              posted == ["contextmenu", "text-larger", "text-smaller"], posted)
        check("the page did not zoom or scroll for Ctrl+wheel",
              b.evaluate("window.visualViewport.scale") == 1)
        count = b.evaluate(tool["mark"])
        marks = b.evaluate("[...document.querySelectorAll('mark[data-pv-hit]')]"
                           ".map(m => m.textContent)")
        check("the marking script marks the words in the text, not in a script",
              count == 3 and [m.lower() for m in marks] == ["lantern room"] * 3, marks)
        check("the first mark is selected", b.evaluate("getSelection().toString()") == "Lantern Room")
        check("the next-hit script selects the next mark",
              b.evaluate(tool["next"]) is True and
              b.evaluate("getSelection().toString()") == "lantern room" and
              b.evaluate("getSelection().anchorNode.parentNode === "
                         "document.querySelectorAll('mark[data-pv-hit]')[1] || "
                         "getSelection().anchorNode === "
                         "document.querySelectorAll('mark[data-pv-hit]')[1]"))
    finally:
        b.call("Page.removeScriptToEvaluateOnNewDocument", identifier=added["identifier"])


def check_sample(b, reader, out):
    b.navigate(reader.address)
    book = json.loads(b.evaluate("fetch('/:reader/book.json').then(r => r.text())"))
    for n, url in enumerate(book["sequence"]):
        r = b.navigate(reader.address + url.lstrip("/"))
        drawn = b.wait_for("document.readyState === 'complete' && "
                           "[...document.images].every(i => i.complete && i.naturalWidth > 0) && "
                           "document.body.innerText.trim().length > 0", what=url)
        shot = b.screenshot(os.path.join(out, "sample-%d.png" % n))
        check("sample %s: %s %s, its pictures drawn, screenshot not blank"
              % (url, r["status"], r["mimeType"]),
              r["status"] == 200 and r["mimeType"] == "text/html" and drawn and not_blank(shot))


def take_shot(cli, out, shot):
    book = os.path.join(out, "lighthouses.exe")
    build_book(cli, os.path.join(ROOT, "examples", "lighthouses"), book, SAMPLE_FLAGS)
    reader = Reader(cli, book)
    try:
        with Browser(os.path.join(out, "profile-shot"), ["--force-prefers-color-scheme=light"]) as b:
            b.navigate(reader.address)
            wait_frame(b, "/index.html")
            b.wait_for("document.querySelectorAll('#contents a').length > 0", what="the contents")
            b.evaluate("document.getElementById('query').value = 'lens'")
            b.screenshot(shot)
    finally:
        reader.stop()
    print("wrote " + shot)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--cli", required=True)
    p.add_argument("--scripts")
    p.add_argument("--out", required=True)
    p.add_argument("--shot")
    a = p.parse_args()
    out = os.path.abspath(a.out)
    os.makedirs(out, exist_ok=True)
    signal.alarm(300)  # the whole run, whatever hangs
    if a.shot:
        take_shot(a.cli, out, os.path.abspath(a.shot))
        return 0
    started = time.monotonic()
    site = os.path.join(out, "modern")
    make_modern_site(site)
    modern = os.path.join(out, "modern.exe")
    build_book(a.cli, site, modern, ["--home", "index.html", "--title", "Modern web",
                                     "--option", "SearchButton=1"])
    sample = os.path.join(out, "lighthouses.exe")
    build_book(a.cli, os.path.join(ROOT, "examples", "lighthouses"), sample, SAMPLE_FLAGS)
    check("the sample is signed, to be read as a signed e-book", sign_book(a.cli, sample, out))

    reader = Reader(a.cli, modern)
    try:
        with Browser(os.path.join(out, "profile")) as b:
            check_modern_pages(b, reader, out)
            check_reader_page(b, reader, out)
            check_viewer_scripts(b, reader, a.scripts)
    except CdpError as e:
        check("the browser session", False, e)
    finally:
        check("read stops on Ctrl+C with exit status 0", reader.stop() == 0)
    check_rebinding(a.cli, modern, out)
    reader = Reader(a.cli, sample)
    try:
        with Browser(os.path.join(out, "profile-sample")) as b:
            check_sample(b, reader, out)
    except CdpError as e:
        check("the browser session on the sample", False, e)
    finally:
        reader.stop()
    print("browser tests: %d failed, %.1f s" % (len(failures), time.monotonic() - started))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
