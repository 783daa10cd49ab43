#!/usr/bin/python3
"""The web build in headless Chromium against the desktop programs:

- frames: the page in its stepping mode (60 frames a second) shows at
  chosen frames what zint-capture's stills of the same frames show, within
  the tolerance of the desktop's ES-path comparison;
- sound: the samples the page hands to Web Audio over the first seconds are
  xmrender's offline render of the module, sample for sample;
- page: without WebGL 2 the page says "Unable to create window", without
  Web Audio "Unable to create player", and nothing else goes wrong; F
  switches full screen on and off with the picture at 4:3, Escape ends the
  show, its sound output closed;
- the page fetches nothing but itself, zint.js and zint.wasm.

usage: web_page_test.py BUILD_WEB ZINT_CAPTURE XMRENDER MODULE [test ...]
With ZINT_WEB_DUMP=folder the compared frames are saved there (.npy).
"""

import os
import subprocess
import sys
import tempfile
import time
import wave

import numpy

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import page_driver  # noqa: E402

WIDTH, HEIGHT = 640, 480
FPS = 60
# Frames counted from the first shown, as zint-capture counts them: the
# loading screen, the tunnel, the boids with a text, the grid with credits.
STILL_SECONDS = [("loading screen", 0.02), ("tunnel", 10.0), ("boids", 40.0), ("grid", 60.0)]
# Six passes of the player's two-second ring: a writer that falls behind
# shows only where the music stops repeating itself (first after 6 s).
SOUND_SECONDS = 12
# The page itself, its script and its program: nothing else.
PAGE_FILES = {"/index.html", "/zint.js", "/zint.wasm"}

NO_WEBGL2 = """
(function () {
  const getContext = HTMLCanvasElement.prototype.getContext;
  HTMLCanvasElement.prototype.getContext = function (type) {
    if (type === 'webgl2') return null;
    return getContext.apply(this, arguments);
  };
})();
"""
NO_WEB_AUDIO = "delete window.AudioContext; delete window.webkitAudioContext;"


class Failures:
    def __init__(self):
        self.messages = []

    def check(self, ok, message):
        if not ok:
            self.messages.append(message)
            print("FAIL:", message)
        return ok


def frame_shown_at(seconds):
    return int(seconds * FPS + 1e-9)


def read_png(path):
    """Top row first, RGB."""
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                         check=True, capture_output=True).stdout
    return numpy.frombuffer(raw, numpy.uint8).reshape(HEIGHT, WIDTH, 3).astype(numpy.int16)


def compare(reference, picture):
    """The desktop comparison's figures: the mean channel difference, and the
    largest one away from the reference's edges (a step of more than 32 in a
    channel within one pixel), where rasterisers may cover pixels differently.
    Chromium rasterises with SwiftShader, the capture with llvmpipe, and they
    also part at primitive edges across smaller steps: a pixel that matches a
    neighbour of the reference is such a one-pixel coverage difference, so
    the largest off-edge figure is taken against the best of the 3 x 3."""
    padded = numpy.pad(reference, ((1, 1), (1, 1), (0, 0)), mode="edge")
    near_edge = numpy.zeros((HEIGHT, WIDTH), bool)
    nearest = numpy.full((HEIGHT, WIDTH), 255, numpy.int16)
    for dy in (-1, 0, 1):
        for dx in (-1, 0, 1):
            neighbour = padded[1 + dy:1 + dy + HEIGHT, 1 + dx:1 + dx + WIDTH]
            near_edge |= (numpy.abs(neighbour - reference) > 32).any(axis=2)
            nearest = numpy.minimum(nearest, numpy.abs(neighbour - picture).max(axis=2))
    off_edge = nearest[~near_edge]
    return numpy.abs(reference - picture).mean(), int(off_edge.max()) if off_edge.size else 0


def test_frames(server, capture, failures):
    frames = [frame_shown_at(s) for _, s in STILL_SECONDS]
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "zint.mp4")
        stills = ",".join("%.2f" % s for _, s in STILL_SECONDS)
        subprocess.run([capture, "--out", out, "--seconds", "%.2f" % (STILL_SECONDS[-1][1] + 0.1),
                        "--stills", stills, "--crf", "51"], check=True, capture_output=True)
        references = [read_png(os.path.join(folder, "zint_%.2fs.png" % s)) for _, s in STILL_SECONDS]

    browser = page_driver.Browser()
    try:
        browser.open(server.url("?step=%d&grab=%s" % (FPS, ",".join(map(str, frames)))))
        browser.evaluate("zint.start()")
        started = time.time()
        browser.wait_for("zint.stills[%d] || zint.state !== 'running'" % frames[-1], 600)
        print("stepped %d frames in %.1f s" % (frames[-1] + 1, time.time() - started))
        for (name, _), frame, reference in zip(STILL_SECONDS, frames, references):
            pixels = browser.bytes_of("zint.stills[%d] || ''" % frame)
            if not failures.check(len(pixels) == WIDTH * HEIGHT * 4, "%s: no frame %d" % (name, frame)):
                continue
            rgba = numpy.frombuffer(pixels, numpy.uint8).reshape(HEIGHT, WIDTH, 4)
            picture = rgba[::-1, :, :3].astype(numpy.int16)
            mean, largest = compare(reference, picture)
            if os.environ.get("ZINT_WEB_DUMP"):
                numpy.save(os.path.join(os.environ["ZINT_WEB_DUMP"], "%d_page.npy" % frame), picture)
                numpy.save(os.path.join(os.environ["ZINT_WEB_DUMP"], "%d_capture.npy" % frame), reference)
            print("%s (frame %d): mean %.3f/255, largest off edges %d/255" % (name, frame, mean, largest))
            failures.check(mean <= 1.0, "%s: mean difference %.3f/255" % (name, mean))
            failures.check(largest <= 16, "%s: %d/255 away from edges" % (name, largest))
        failures.check(not browser.console, "console: %s" % browser.console[:5])
    finally:
        browser.close()


def test_sound(server, xmrender, module, failures):
    with tempfile.TemporaryDirectory() as folder:
        wav_path = os.path.join(folder, "module.wav")
        subprocess.run([xmrender, module, wav_path, "--seconds", str(SOUND_SECONDS)], check=True,
                       capture_output=True)
        with wave.open(wav_path) as wav:
            failures.check(wav.getframerate() == 44100 and wav.getnchannels() == 2, "xmrender's format")
            expected = numpy.frombuffer(wav.readframes(wav.getnframes()), "<i2")

    browser = page_driver.Browser()
    try:
        browser.open(server.url("?record=%d" % SOUND_SECONDS))
        browser.evaluate("zint.start()")
        browser.wait_for("zint.recordedSamples >= zint.recorded.length || zint.state !== 'running'",
                         SOUND_SECONDS * 10 + 60)
        recorded = numpy.frombuffer(browser.bytes_of(
            "(function () { let s = ''; const b = new Uint8Array(zint.recorded.buffer);"
            " for (let i = 0; i < b.length; i += 0x8000) s += String.fromCharCode.apply(null, b.subarray(i, i + 0x8000));"
            " return btoa(s); })()"), "<i2")
        count = min(len(recorded), len(expected))
        failures.check(count == SOUND_SECONDS * 44100 * 2, "only %d samples to compare" % count)
        different = numpy.nonzero(recorded[:count] != expected[:count])[0]
        if different.size:
            first = int(different[0])
            failures.check(False, "%d of %d samples differ, the first at frame %d (%d, not %d), largest by %d" % (
                different.size, count, first // 2, recorded[first], expected[first],
                int(numpy.abs(recorded[:count].astype(int) - expected[:count]).max())))
        else:
            print("sound: %d samples (%d s) equal xmrender's" % (count, SOUND_SECONDS))
        failures.check(numpy.abs(expected[:count].astype(int)).max() > 1000, "the reference is silent")
        failures.check(not browser.console, "console: %s" % browser.console[:5])
    finally:
        browser.close()


def test_failure(server, name, script, message, failures):
    browser = page_driver.Browser()
    try:
        browser.before_each_page(script)
        browser.open(server.url())
        browser.evaluate("zint.start()")
        browser.wait_for("zint.state === 'ended'", 60)
        shown = browser.evaluate("[zint.message, document.getElementById('overlay').textContent,"
                                 " getComputedStyle(document.getElementById('overlay')).display]")
        failures.check(shown == [message, message, "flex"], "%s: the page shows %s" % (name, shown))
        failures.check(not browser.console, "%s: console: %s" % (name, browser.console[:5]))
        print("%s: %r" % (name, shown[0]))
    finally:
        browser.close()


def press(browser, key, code, key_code):
    for kind in ("keyDown", "keyUp"):
        browser.call("Input.dispatchKeyEvent", type=kind, key=key, code=code, windowsVirtualKeyCode=key_code,
                     nativeVirtualKeyCode=key_code)


CANVAS_FIT = """(function () {
  const box = document.getElementById('canvas').getBoundingClientRect();
  const width = Math.min(innerWidth, innerHeight * 4 / 3);
  return [!!document.fullscreenElement,
          Math.abs(box.width - width) < 1 && Math.abs(box.height - width * 3 / 4) < 1];
})()"""


def test_keys(server, failures):
    """F switches full screen on and off, the picture filling the page at
    4:3 either way; Escape ends the show, its sound output closed."""
    browser = page_driver.Browser()
    try:
        browser.open(server.url())
        browser.evaluate("zint.start()")
        browser.wait_for("zint.frames > 10", 60)
        failures.check(browser.evaluate(CANVAS_FIT) == [False, True], "the picture does not fill the page at 4:3")
        press(browser, "f", "KeyF", 70)
        browser.wait_for("document.fullscreenElement", 10)
        failures.check(browser.evaluate(CANVAS_FIT) == [True, True], "full screen: not filled at 4:3")
        press(browser, "f", "KeyF", 70)
        browser.wait_for("!document.fullscreenElement", 10)
        press(browser, "Escape", "Escape", 27)
        browser.wait_for("zint.state === 'ended'", 30)
        shown = browser.evaluate("[zint.message, !!Module.zintSound, document.getElementById('overlay').textContent]")
        failures.check(shown == ["", False, "The end."], "after Escape the page shows %s" % shown)
        failures.check(not browser.console, "keys: console: %s" % browser.console[:5])
        print("F: full screen and back; Escape: ended after %d frames" % browser.evaluate("zint.frames"))
    finally:
        browser.close()


def main():
    if len(sys.argv) < 5:
        print(__doc__, file=sys.stderr)
        return 2
    build_web, capture, xmrender, module = sys.argv[1:5]
    wanted = set(sys.argv[5:]) or {"page", "sound", "frames"}
    if not os.path.exists(os.path.join(build_web, "zint.wasm")):
        print("no web build in %s: run make web" % build_web, file=sys.stderr)
        return 1
    failures = Failures()
    server = page_driver.StaticServer(build_web)
    try:
        if "page" in wanted:
            test_failure(server, "without WebGL 2", NO_WEBGL2, "Unable to create window", failures)
            test_failure(server, "without Web Audio", NO_WEB_AUDIO, "Unable to create player", failures)
            test_keys(server, failures)
        if "sound" in wanted:
            test_sound(server, xmrender, module, failures)
        if "frames" in wanted:
            test_frames(server, capture, failures)
        fetched = set(server.requested) - {"/favicon.ico"}
        failures.check(fetched <= PAGE_FILES, "the page fetched %s" % sorted(fetched - PAGE_FILES))
    finally:
        server.close()
    if failures.messages:
        print("%d failures" % len(failures.messages))
        return 1
    print("all passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
