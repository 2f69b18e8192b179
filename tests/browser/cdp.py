"""A small client of Chromium's DevTools protocol over --remote-debugging-pipe.

Chromium reads commands from file descriptor 3 and writes answers and events to descriptor 4,
each message one JSON text ended by a NUL byte; no WebSocket is involved. One browser, one page
(a flattened session): enough for the tests to load pages, read the DOM back, click, type and take
screenshots. Every wait has a deadline; close() ends the browser and removes nothing it did not
make.
"""

import base64
import json
import os
import select
import shutil
import subprocess
import time


class CdpError(Exception):
    pass


class Browser:
    def __init__(self, user_data_dir, extra_flags=(), timeout=20.0, executable=None):
        self.timeout = timeout
        self.events = []
        self._next_id = 0
        self._buffer = b""
        exe = executable or shutil.which("chromium") or shutil.which("chromium-browser")
        if not exe:
            raise CdpError("chromium is not installed (scripts/bootstrap.sh installs it)")
        os.makedirs(user_data_dir, exist_ok=True)
        to_browser_r, self._to_browser = os.pipe()
        self._from_browser, from_browser_w = os.pipe()

        def place_pipes():
            # The browser expects its ends as descriptors 3 and 4 exactly.
            a, b = os.dup(to_browser_r), os.dup(from_browser_w)
            os.dup2(a, 3)
            os.dup2(b, 4)

        flags = [
            exe, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--disable-dev-shm-usage", "--disable-extensions", "--mute-audio",
            "--remote-debugging-pipe", "--user-data-dir=" + user_data_dir,
            "--window-size=1200,800", *extra_flags, "about:blank",
        ]
        self._log = open(os.path.join(user_data_dir, "chromium.log"), "wb")
        self.process = subprocess.Popen(
            flags, stdin=subprocess.DEVNULL, stdout=self._log, stderr=self._log,
            preexec_fn=place_pipes, close_fds=False, start_new_session=True)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.session = None
        targets = self.call("Target.getTargets")["targetInfos"]
        page = next((t for t in targets if t["type"] == "page"), None)
        if page is None:
            page = {"targetId": self.call("Target.createTarget", url="about:blank")["targetId"]}
        self.session = self.call("Target.attachToTarget", targetId=page["targetId"],
                                 flatten=True)["sessionId"]
        for domain in ("Page", "Runtime", "Network"):
            self.call(domain + ".enable")

    # -- the protocol

    def _send(self, message):
        data = json.dumps(message).encode() + b"\0"
        while data:
            data = data[os.write(self._to_browser, data):]

    def _receive(self, deadline):
        while b"\0" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                raise CdpError("Chromium did not answer in time")
            ready, _, _ = select.select([self._from_browser], [], [], left)
            if ready:
                chunk = os.read(self._from_browser, 1 << 16)
                if not chunk:
                    raise CdpError("Chromium closed its pipe (see chromium.log)")
                self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, timeout=None, **params):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params}
        if self.session and not method.startswith(("Target.", "Browser.")):
            message["sessionId"] = self.session
        self._send(message)
        deadline = time.monotonic() + (timeout or self.timeout)
        while True:
            reply = self._receive(deadline)
            if reply.get("id") == self._next_id:
                if "error" in reply:
                    raise CdpError("%s: %s" % (method, reply["error"].get("message")))
                return reply.get("result", {})
            if "method" in reply:
                self.events.append(reply)

    def wait_event(self, method, predicate=lambda params: True, timeout=None):
        """The first event of that name (kept since the last clear) the predicate accepts."""
        deadline = time.monotonic() + (timeout or self.timeout)
        while True:
            for i, e in enumerate(self.events):
                if e["method"] == method and predicate(e.get("params", {})):
                    del self.events[i]
                    return e["params"]
            self.events.append(self._receive(deadline))

    # -- what the tests do with a page

    def evaluate(self, expression, timeout=None):
        """The value of a script expression in the page (promises awaited)."""
        result = self.call("Runtime.evaluate", timeout=timeout, expression=expression,
                           awaitPromise=True, returnByValue=True, userGesture=True)
        if "exceptionDetails" in result:
            details = result["exceptionDetails"]
            text = details.get("exception", {}).get("description") or details.get("text")
            raise CdpError("script failed: %s\n%s" % (text, expression[:300]))
        return result["result"].get("value")

    def wait_for(self, expression, timeout=None, what=None):
        """Waits until the expression is truthy in the page; returns its value."""
        deadline = time.monotonic() + (timeout or self.timeout)
        while True:
            try:
                value = self.evaluate(expression)
            except CdpError:
                value = None  # the page is being replaced
            if value:
                return value
            if time.monotonic() > deadline:
                raise CdpError("timed out waiting for %s" % (what or expression))
            # Let the page's events run: a page-side wait for the next frame, not a sleep here.
            self.call("Runtime.evaluate", expression="new Promise(r => requestAnimationFrame(r))",
                      awaitPromise=True)

    def navigate(self, url):
        """Loads url and waits for its load event; returns the main document's response."""
        self.events.clear()
        frame = self.call("Page.navigate", url=url)
        if frame.get("errorText"):
            raise CdpError("navigation to %s failed: %s" % (url, frame["errorText"]))
        self.wait_event("Page.loadEventFired")
        return self.response_for(url)

    def response_for(self, url):
        """The response of the last request for url (without its fragment) seen so far."""
        bare = url.split("#")[0]
        for e in reversed(self.events):
            if e["method"] == "Network.responseReceived" and \
                    e["params"]["response"]["url"].split("#")[0] == bare:
                return e["params"]["response"]
        return self.wait_event("Network.responseReceived",
                               lambda p: p["response"]["url"].split("#")[0] == bare)["response"]

    def click(self, x, y, button="left", modifiers=0):
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button=button,
                      clickCount=1, modifiers=modifiers)

    def wheel(self, x, y, delta_y, modifiers=0):
        self.call("Input.dispatchMouseEvent", type="mouseWheel", x=x, y=y, deltaX=0,
                  deltaY=delta_y, modifiers=modifiers)

    def screenshot(self, path):
        data = self.call("Page.captureScreenshot", format="png")["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))
        return path

    def close(self):
        try:
            if self.process.poll() is None:
                try:
                    self.call("Browser.close", timeout=5)
                except (CdpError, OSError):
                    pass
                try:
                    self.process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    os.killpg(self.process.pid, 9)
                    self.process.wait()
        finally:
            for fd in (self._to_browser, self._from_browser):
                try:
                    os.close(fd)
                except OSError:
                    pass
            self._log.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
