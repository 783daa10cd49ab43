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

import websocket

CHROMIUM = os.environ.get("CHROMIUM", "/usr/bin/chromium")
FLAGS = [
    "--headless=new",
    "--use-angle=swiftshader",
    "--enable-unsafe-swiftshader",
    "--no-sandbox",
    "--disable-gpu-sandbox",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
    "--no-first-run",
    "--no-default-browser-check",
    # The tests start the show without a gesture.
    "--autoplay-policy=no-user-gesture-required",
    "--window-size=800,600",
    "--remote-debugging-port=0",
]


class RecordingHandler(http.server.SimpleHTTPRequestHandler):
    """Serves quietly and notes every path asked for."""

    requested = None

    def log_message(self, *args):
        pass

    def do_GET(self):
        self.requested.append(self.path.split("?")[0])
        super().do_GET()


class StaticServer:
    """build-web on a free port of 127.0.0.1."""

    def __init__(self, root):
        self.requested = []
        handler_class = type("Handler", (RecordingHandler,), {"requested": self.requested})
        handler = functools.partial(handler_class, directory=root)
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.port = self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def url(self, query=""):
        return "http://127.0.0.1:%d/index.html%s" % (self.port, query)

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


class Browser:
    def __init__(self, extra_flags=()):
        self.profile = tempfile.mkdtemp(prefix="zint-chromium-")
        self.process = subprocess.Popen(
            [CHROMIUM, *FLAGS, *extra_flags, "--user-data-dir=" + self.profile, "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        port_file = os.path.join(self.profile, "DevToolsActivePort")
        deadline = time.time() + 30
        while not os.path.exists(port_file) or os.path.getsize(port_file) == 0:
            if time.time() > deadline or self.process.poll() is not None:
                self.close()
                raise RuntimeError("chromium did not start")
            time.sleep(0.1)
        time.sleep(0.2)
        with open(port_file) as f:
            port = int(f.readline())
        self.socket = websocket.create_connection(self._page_socket(port), timeout=120)
        self.next_id = 0
        self.console = []
        self.call("Runtime.enable")
        self.call("Page.enable")

    def _page_socket(self, port):
        import urllib.request
        deadline = time.time() + 10
        while True:
            with urllib.request.urlopen("http://127.0.0.1:%d/json/list" % port) as reply:
                targets = json.load(reply)
            pages = [t for t in targets if t.get("type") == "page"]
            if pages:
                return pages[0]["webSocketDebuggerUrl"]
            if time.time() > deadline:
                raise RuntimeError("no page target")
            time.sleep(0.1)

    def call(self, method, **params):
        self.next_id += 1
        my_id = self.next_id
        self.socket.send(json.dumps({"id": my_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("id") == my_id:
                if "error" in message:
                    raise RuntimeError("%s: %s" % (method, message["error"]))
                return message.get("result", {})
            if message.get("method") == "Runtime.consoleAPICalled":
                self.console.append(" ".join(str(a.get("value", a.get("description", "")))
                                             for a in message["params"]["args"]))
            elif message.get("method") == "Runtime.exceptionThrown":
                self.console.append("exception: " +
                                    message["params"]["exceptionDetails"].get("exception", {}).get(
                                        "description", message["params"]["exceptionDetails"].get("text", "")))

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
        deadline = time.time() + seconds
        while True:
            if self.evaluate("!!(%s)" % condition):
                return
            if time.time() > deadline:
                raise TimeoutError("waited %d s for %s; console: %s" % (seconds, condition, self.console[-5:]))
            time.sleep(0.1)

    def bytes_of(self, expression):
        """A base64 string the page holds, decoded."""
        return base64.b64decode(self.evaluate(expression))

    def close(self):
        try:
            self.socket.close()
        except Exception:
            pass
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)
