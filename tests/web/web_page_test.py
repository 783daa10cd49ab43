#!/usr/bin/python3
"""The web build in headless Chromium against the desktop programs: the
page's frames against zint-capture's stills (frames), the samples it hands
to Web Audio against xmrender's render (sound), its failure messages, F and
Escape (page); and it fetches nothing but itself, zint.js and zint.wasm.

usage: web_page_test.py BUILD_WEB ZINT_CAPTURE XMRENDER MODULE [test ...]
"""

import os
import subprocess
import sys
import tempfile
import time
import wave

import numpy

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from page_driver import Browser, StaticServer  # noqa: E402

WIDTH, HEIGHT = 640, 480
FPS = 60
# Counted from the first frame shown, as zint-capture counts: the loading
# screen, the tunnel, the boids with a text, the grid with credits.
STILL_SECONDS = [("loading screen", 0.02), ("tunnel", 10.0), ("boids", 40.0), ("grid", 60.0)]
# Six passes of the player's two-second ring: a writer that falls behind
# shows only where the music stops repeating itself (first after 6 s).
SOUND_SECONDS = 12
PAGE_FILES = {"/index.html", "/zint.js", "/zint.wasm"}

NO_WEBGL2 = """{
  const getContext = HTMLCanvasElement.prototype.getContext;
  HTMLCanvasElement.prototype.getContext = function (type, ...rest) {
    return type === 'webgl2' ? null : getContext.call(this, type, ...rest);
  };
}"""
NO_WEB_AUDIO = "delete window.AudioContext; delete window.webkitAudioContext;"
CANVAS_FIT = """(function () {
  const box = document.getElementById('canvas').getBoundingClientRect();
  const width = Math.min(innerWidth, innerHeight * 4 / 3);
  return [!!document.fullscreenElement,
          Math.abs(box.width - width) < 1 && Math.abs(box.height - width * 3 / 4) < 1];
})()"""
OVERLAY = "document.getElementById('overlay')"

failures = []


def check(ok, message):
    if not ok:
        failures.append(message)
        print("FAIL:", message)


def read_png(path):
    """Top row first, RGB."""
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                         check=True, capture_output=True).stdout
    return numpy.frombuffer(raw, numpy.uint8).reshape(HEIGHT, WIDTH, 3).astype(numpy.int16)


def compare(reference, picture):
    """The mean channel difference, and the largest one off the reference's
    edges (steps over 32), where rasterisers cover pixels differently; as
    SwiftShader and llvmpipe part at smaller steps too, that one is taken
    against the best-matching pixel of the reference's 3 x 3."""
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


def test_frames(server, capture, _xmrender, _module):
    frames = [int(s * FPS + 1e-9) for _, s in STILL_SECONDS]
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([capture, "--out", os.path.join(folder, "zint.mp4"), "--crf", "51",
                        "--seconds", "%.2f" % (STILL_SECONDS[-1][1] + 0.1),
                        "--stills", ",".join("%.2f" % s for _, s in STILL_SECONDS)], check=True, capture_output=True)
        references = [read_png(os.path.join(folder, "zint_%.2fs.png" % s)) for _, s in STILL_SECONDS]
    with Browser() as browser:
        browser.open(server.url("?step=%d&grab=%s" % (FPS, ",".join(map(str, frames)))))
        browser.evaluate("zint.start()")
        started = time.time()
        browser.wait_for("zint.stills[%d] || zint.state !== 'running'" % frames[-1], 600)
        print("stepped %d frames in %.1f s" % (frames[-1] + 1, time.time() - started))
        for (name, _), frame, reference in zip(STILL_SECONDS, frames, references):
            pixels = browser.bytes_of("zint.stills[%d] || ''" % frame)
            if len(pixels) != WIDTH * HEIGHT * 4:
                check(False, "%s: no frame %d" % (name, frame))
                continue
            picture = numpy.frombuffer(pixels, numpy.uint8).reshape(HEIGHT, WIDTH, 4)[::-1, :, :3].astype(numpy.int16)
            mean, largest = compare(reference, picture)
            print("%s (frame %d): mean %.3f/255, largest off edges %d/255" % (name, frame, mean, largest))
            check(mean <= 1.0 and largest <= 16, "%s: differs from the capture" % name)
        check(not browser.console, "frames: console: %s" % browser.console[:5])


def test_sound(server, _capture, xmrender, module):
    with tempfile.TemporaryDirectory() as folder:
        wav_path = os.path.join(folder, "module.wav")
        subprocess.run([xmrender, module, wav_path, "--seconds", str(SOUND_SECONDS)], check=True, capture_output=True)
        with wave.open(wav_path) as wav:
            check(wav.getframerate() == 44100 and wav.getnchannels() == 2, "xmrender's format")
            expected = numpy.frombuffer(wav.readframes(wav.getnframes()), "<i2")
    with Browser() as browser:
        browser.open(server.url("?record=%d" % SOUND_SECONDS))
        browser.evaluate("zint.start()")
        browser.wait_for("zint.recordedSamples >= zint.recorded.length || zint.state !== 'running'",
                         SOUND_SECONDS * 10 + 60)
        recorded = numpy.array(browser.evaluate("Array.from(zint.recorded)"), numpy.int16)
        check(len(recorded) == len(expected) == SOUND_SECONDS * 44100 * 2,
              "%d samples recorded, %d rendered" % (len(recorded), len(expected)))
        count = min(len(recorded), len(expected))
        different = numpy.nonzero(recorded[:count] != expected[:count])[0]
        check(not different.size, "%d of %d samples differ, the first at frame %d" % (
            different.size, count, different[0] // 2 if different.size else 0))
        check(numpy.abs(expected.astype(int)).max() > 1000, "the reference is silent")
        check(not browser.console, "sound: console: %s" % browser.console[:5])


def failure_shown(server, script, message):
    with Browser() as browser:
        browser.before_each_page(script)
        browser.open(server.url())
        browser.evaluate("zint.start()")
        browser.wait_for("zint.state === 'ended'", 60)
        shown = browser.evaluate("[zint.message, %s.textContent, getComputedStyle(%s).display]" % (OVERLAY, OVERLAY))
        check(shown == [message, message, "flex"] and not browser.console,
              "%s: the page shows %s; console: %s" % (message, shown, browser.console[:5]))


def press(browser, key, code, key_code):
    for kind in ("keyDown", "keyUp"):
        browser.call("Input.dispatchKeyEvent", type=kind, key=key, code=code, windowsVirtualKeyCode=key_code,
                     nativeVirtualKeyCode=key_code)


def test_page(server, _capture, _xmrender, _module):
    failure_shown(server, NO_WEBGL2, "Unable to create window")
    failure_shown(server, NO_WEB_AUDIO, "Unable to create player")
    with Browser() as browser:
        browser.open(server.url())
        browser.evaluate("zint.start()")
        browser.wait_for("zint.frames > 10", 60)
        check(browser.evaluate(CANVAS_FIT) == [False, True], "the picture does not fill the page at 4:3")
        press(browser, "f", "KeyF", 70)
        browser.wait_for("document.fullscreenElement", 10)
        check(browser.evaluate(CANVAS_FIT) == [True, True], "full screen: not filled at 4:3")
        press(browser, "f", "KeyF", 70)
        browser.wait_for("!document.fullscreenElement", 10)
        press(browser, "Escape", "Escape", 27)
        browser.wait_for("zint.state === 'ended'", 30)
        shown = browser.evaluate("[zint.message, !!Module.zintSound, %s.textContent]" % OVERLAY)
        check(shown == ["", False, "The end."], "after Escape the page shows %s" % shown)
        check(not browser.console, "keys: console: %s" % browser.console[:5])


def main():
    tests = {"page": test_page, "sound": test_sound, "frames": test_frames}
    if len(sys.argv) < 5 or not set(sys.argv[5:]) <= tests.keys():
        sys.exit(__doc__)
    if not os.path.exists(os.path.join(sys.argv[1], "zint.wasm")):
        sys.exit("no web build in %s: run make web" % sys.argv[1])
    server = StaticServer(sys.argv[1])
    try:
        for name in sys.argv[5:] or tests:
            tests[name](server, *sys.argv[2:5])
        fetched = set(server.requested) - {"/favicon.ico"}
        check(fetched <= PAGE_FILES, "the page fetched %s" % sorted(fetched - PAGE_FILES))
    finally:
        server.close()
    print("%d failures" % len(failures) if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
