"""The link table (tests/support/LinkCases.h, written as JSON by link_cases_json) in Chromium.

Each row names a page of a book, its <base href>, a reference the page makes and where the viewer
takes it. Here a generated book holds the row's page and the files the rows name; the page is
served by `pagevane-cli read` and Chromium resolves the reference as it resolves a link (an <a
href> under the row's <base>, read back as a.href), then:
  file      the resolved address is fetched from the server: that file's bytes come back, and the
            address carries the row's place (#fragment);
  noFile    the fetch is answered 404 (a decoy file stands where an encoded slash would lead, were
            it taken for a folder);
  outside   the address is the row's, outside the server's origin. The viewer's pages live under
            an https origin, these under http://127.0.0.1: a reference that names no scheme of its
            own ("//host/x") takes the page's, so the row's "https:" reads "http:" here;
  blocked   the address is a file: address, never the server's;
  notAFile  the address is of its own scheme (javascript:, data:), never the server's.
A sample of rows is also clicked for real (mouse events at the link): the navigation reaches the
row's file, its 404, or the outside address, and a blocked or script link reaches nothing. Every
request the server sees in the whole run is one the rows call for (or the site's icon, which the
browser asks for on its own).
"""

import json
import os
import posixpath
import re
import shutil

# Rows whose outcome holds under the viewer's engines only, each with the reason.
EXCEPTED = {
    ("sub/a.html", None, "e-book://other/page.html"):
        "an absolute e-book: address is the book's file under the viewer's engines (its own "
        "scheme there); no browser loads that scheme from a page of `read`",
    ("a.html", "e-book://x/y/z.html", "w.html"):
        "a <base> of the e-book: scheme is the book's under the viewer's engines; a browser "
        "resolves against it as an unknown scheme and loads nothing from `read`",
}

# Rows also followed by a real click: one of each outcome and the resolutions most likely to
# differ between engines (dot segments, a query, a backslash, a <base>, an encoded slash).
CLICKED = [
    ("sub/a.html", None, "../b.html#x"),
    ("sub/a.html", None, "./c/../d.html?q=1"),
    ("a.html", None, "sub\\win.html"),
    ("sub/a.html", "../", "b.html"),
    ("a.html", None, "sub%2fpage.htm#part"),
    ("a.html", None, "//cdn.example.com/x.js"),
    ("a.html", "http://example.com/", "b.html"),
    ("a.html", None, "file:///c:/secret.txt"),
    ("a.html", None, "javascript:void(0)"),
]

# Outside hosts fail at once instead of waiting on a network that may not be there.
BROWSER_FLAGS = ["--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1"]

SCHEME = re.compile(r"^[A-Za-z][A-Za-z0-9+.-]*:")


def row_key(row):
    return (row["page"], row["base"], row["url"])


def file_bytes(name):
    return ("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%s</title></head>"
            "<body><p id=\"file\">file %s</p></body></html>\n" % (name, name)).encode()


def make_link_site(folder, rows):
    """The pages the rows are made on and every file they name (a decoy for each noFile row at
    the name it would have if an encoded slash were a folder's). Returns {name: bytes}."""
    if os.path.isdir(folder):
        shutil.rmtree(folder)
    names = {r["page"] for r in rows}
    for r in rows:
        if r["expect"] == "file":
            names.add(r["name"])
        elif r["expect"] == "noFile":
            decoy = posixpath.normpath(r["name"].replace("\\", "/"))
            if not decoy.startswith(".."):
                names.add(decoy)
    files = {}
    for name in sorted(names):
        path = os.path.join(folder, *name.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        files[name] = file_bytes(name)
        with open(path, "wb") as f:
            f.write(files[name])
    return files


def expected_outside(row):
    """The address an outside row leads to from a page of `read` (see the module's note)."""
    own = SCHEME.match(row["url"]) or (row["base"] is not None and SCHEME.match(row["base"]))
    address = row["address"]
    if not own and address.startswith("https:"):
        address = "http:" + address[len("https:"):]
    return address


# In the page: the row's <base> in place of any other, a link to the reference, its address.
PLACE_LINK = """(row => {
    document.querySelectorAll('base').forEach(b => b.remove());
    if (row.base !== null) {
        const base = document.createElement('base');
        base.setAttribute('href', row.base);
        document.head.prepend(base);
    }
    document.getElementById('pv-link')?.remove();
    const a = document.createElement('a');
    a.id = 'pv-link';
    a.setAttribute('href', row.url);
    a.textContent = 'the reference';
    a.style.cssText = 'position:fixed;left:20px;top:20px;font-size:40px;background:#fff';
    document.body.append(a);
    const r = a.getBoundingClientRect();
    return {href: a.href, x: r.left + r.width / 2, y: r.top + r.height / 2};
})(%s)"""

FETCH = """fetch(%s, {cache: 'no-store'}).then(async r => [r.status, await r.text()])"""


def outcome(row, href, origin, files, fetched):
    """None when the resolved address and what came back are what the row says; else why not."""
    kind = row["expect"]
    if kind in ("file", "noFile"):
        if not href.startswith(origin):
            return "resolved outside the server: " + href
        status, body = fetched
        if kind == "noFile":
            return None if status == 404 else "answered %d, not 404" % status
        want_hash = "#" + row["fragment"] if row["fragment"] else ""
        hash_at = href.find("#")
        got_hash = href[hash_at:] if hash_at >= 0 and hash_at + 1 < len(href) else ""
        if status != 200 or body.encode() != files[row["name"]]:
            return "answered %d with %r, not the bytes of %s" % (status, body[:80], row["name"])
        if got_hash != want_hash:
            return "place %r, not %r" % (got_hash, want_hash)
        return None
    if href.startswith(origin):
        return "resolved to the server: " + href
    if kind == "outside":
        return None if href == expected_outside(row) else "led to %s, not %s" % (
            href, expected_outside(row))
    scheme = href.split(":", 1)[0].lower()
    if kind == "blocked":
        return None if scheme == "file" else "led to %s, not a file: address" % href
    return None if scheme in ("javascript", "data") else "led to %s" % href


def server_requests(b, origin):
    return [e["params"]["request"]["url"] for e in b.events
            if e["method"] == "Network.requestWillBeSent" and
            e["params"]["request"]["url"].startswith(origin)]


def click_row(b, row, origin, files, placed):
    """Follows the row's link with a real click; None when it reached what the row says."""
    kind = row["expect"]
    b.events.clear()
    b.evaluate("window.pvStayed = true")
    b.click(placed["x"], placed["y"])
    if kind in ("file", "noFile"):
        bare = placed["href"].split("#")[0]
        response = b.wait_event("Network.responseReceived",
                                lambda p: p["response"]["url"] == bare and p.get("type") ==
                                "Document")["response"]
        b.wait_event("Page.loadEventFired")
        if kind == "noFile":
            return None if response["status"] == 404 else "clicked: %d" % response["status"]
        text = b.evaluate("document.getElementById('file') && "
                          "document.getElementById('file').textContent")
        where = b.evaluate("location.href")
        if response["status"] != 200 or text != "file " + row["name"] or where != placed["href"]:
            return "clicked: %d %r at %s" % (response["status"], text, where)
        return None
    if kind == "outside":
        want = expected_outside(row)
        sent = b.wait_event("Network.requestWillBeSent",
                            lambda p: p["request"]["url"].split("#")[0] == want.split("#")[0])
        asked = server_requests(b, origin)
        return None if not asked else "clicked: the server was asked for %s" % asked
    # Nothing may happen: the page stays, and the next request the server sees is this one.
    b.evaluate(FETCH % json.dumps(origin + ":reader/book.json?after-click"))
    asked = server_requests(b, origin)
    stayed = b.evaluate("window.pvStayed === true")
    if asked != [origin + ":reader/book.json?after-click"] or not stayed:
        return "clicked: the server was asked for %s, page kept: %s" % (asked, stayed)
    return None


def run_link_cases(b, origin, rows, files, check):
    """Runs every row; returns (ran, passed, excepted) and reports each failure through check."""
    table = {row_key(r) for r in rows}
    for key in list(EXCEPTED) + CLICKED:
        check("the row %r is in the link table" % (key,), key in table)
    ran = passed = excepted = 0
    # Every address of the server the rows call for, and the icon the browser asks a site for.
    allowed = {origin + "favicon.ico"}
    clicked = {k: None for k in CLICKED}
    by_page = {}
    for r in rows:
        by_page.setdefault(r["page"], []).append(r)
    b.events.clear()
    seen = []
    for page, page_rows in sorted(by_page.items()):
        address = origin + page
        allowed.add(address)
        for row in page_rows:
            key = row_key(row)
            if key in EXCEPTED:
                excepted += 1
                print("except: %r: %s" % (key, EXCEPTED[key]))
                continue
            if b.evaluate("location.href") != address:
                seen += server_requests(b, origin)
                b.navigate(address)
            placed = b.evaluate(PLACE_LINK % json.dumps(row))
            fetched = None
            if row["expect"] in ("file", "noFile") and placed["href"].startswith(origin):
                allowed.add(placed["href"].split("#")[0])
                fetched = b.evaluate(FETCH % json.dumps(placed["href"]))
            why = outcome(row, placed["href"], origin, files, fetched)
            if why is None and key in clicked:
                seen += server_requests(b, origin)
                why = click_row(b, row, origin, files, placed)
                allowed.add(origin + ":reader/book.json?after-click")
                seen += server_requests(b, origin)
                b.events.clear()
                b.navigate(address)
            ran += 1
            passed += why is None
            check("link %r from %s (base %r): %s" % (row["url"], page, row["base"], row["expect"]),
                  why is None, why)
    seen += server_requests(b, origin)
    stray = sorted(set(u.split("#")[0] for u in seen) - allowed)
    check("the server was asked for nothing the rows do not call for", not stray, stray)
    return ran, passed, excepted
