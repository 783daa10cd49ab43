"""The web build's page in headless Chromium, driven over the DevTools
protocol: a static server on 127.0.0.1 for build-web, a fresh browser
profile, and a page to evaluate script in."""

import base64
import functools
import http.server
import json
import os
import shutil
import subprocess
import tempfile
import threading
import time
import urllib.request

import websocket

CHROMIUM = os.environ.get("CHROMIUM", "/usr/bin/chromium")
FLAGS = ["--headless=new", "--use-angle=swiftshader", "--enable-unsafe-swiftshader", "--no-sandbox",
         "--disable-gpu-sandbox", "--disable-background-networking", "--disable-component-update",
         "--disable-sync", "--no-first-run", "--no-default-browser-check", "--window-size=800,600",
         "--remote-debugging-port=0",
         "--autoplay-policy=no-user-gesture-required"]  # the tests start the show without a gesture


def poll(ready, seconds, what):
    """ready()'s first true value, within seconds."""
    deadline = time.time() + seconds
    while not (value := ready()):
        if time.time() > deadline:
            raise TimeoutError("waited %d s for %s" % (seconds, what))
        time.sleep(0.1)
    return value


class StaticServer:
    """build-web on a free port of 127.0.0.1, noting every path asked for."""

    def __init__(self, root):
        requested = self.requested = []

        class Handler(http.server.SimpleHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def do_GET(self):
                requested.append(self.path.split("?")[0])
                super().do_GET()

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Handler, directory=root))
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def url(self, query=""):
        return "http://127.0.0.1:%d/index.html%s" % (self.httpd.server_address[1], query)

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


class Browser:
    """Use as a context manager: the browser and its profile go at the end."""

    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="zint-chromium-")
        self.process = subprocess.Popen([CHROMIUM, *FLAGS, "--user-data-dir=" + self.profile, "about:blank"],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.socket = None
        self.next_id = 0
        self.console = []

    def __enter__(self):
        try:
            self.socket = websocket.create_connection(poll(self._page_socket, 30, "chromium"), timeout=120)
            self.call("Runtime.enable")
            self.call("Page.enable")
        except BaseException:
            self.__exit__()
            raise
        return self

    def _page_socket(self):
        if self.process.poll() is not None:
            raise RuntimeError("chromium exited with %d" % self.process.returncode)
        try:
            with open(os.path.join(self.profile, "DevToolsActivePort")) as f:
                port = int(f.readline())
            with urllib.request.urlopen("http://127.0.0.1:%d/json/list" % port) as reply:
                pages = [t for t in json.load(reply) if t.get("type") == "page"]
        except (OSError, ValueError):
            return None  # not listening yet
        return pages[0]["webSocketDebuggerUrl"] if pages else None

    def call(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError("%s: %s" % (method, message["error"]))
                return message.get("result", {})
            if message.get("method") == "Runtime.consoleAPICalled":
                self.console.append(" ".join(str(a.get("value", a.get("description", "")))
                                             for a in message["params"]["args"]))
            elif message.get("method") == "Runtime.exceptionThrown":
                self.console.append("exception: %s" % message["params"]["exceptionDetails"].get("exception"))

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True, awaitPromise=True)
        if "exceptionDetails" in result:
            raise RuntimeError("script failed: %s" % result["exceptionDetails"])
        return result["result"].get("value")

    def before_each_page(self, script):
        """Runs script in every page loaded from now on, before its own."""
        self.call("Page.addScriptToEvaluateOnNewDocument", source=script)

    def open(self, url):
        self.call("Page.navigate", url=url)
        self.wait_for("window.zint && zint.state !== 'loading'", 60)

    def wait_for(self, condition, seconds):
        try:
            poll(lambda: self.evaluate("!!(%s)" % condition), seconds, condition)
        except TimeoutError as timeout:
            raise TimeoutError("%s; console: %s" % (timeout, self.console[-5:])) from None

    def bytes_of(self, expression):
        """A base64 string the page holds, decoded."""
        return base64.b64decode(self.evaluate(expression))

    def __exit__(self, *exception):
        if self.socket:
            self.socket.close()
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)
