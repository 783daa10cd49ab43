#!/usr/bin/python3
"""web_speed.py [BUILD [BUILD_WEB]]

Frame time of each scene in headless Chromium (the page's stepping mode,
WebGL 2 on SwiftShader) beside the native intro on llvmpipe (drawing_bench:
the same frames through the compatibility profile and through the ES 3.0
emulation), in one run on the same machine. The page steps with ?finish=1,
waiting for each frame to be drawn as the native offscreen window does (else
the GPU process queues many frames and the page's times say little); its
figure is the mean time between finished frames over two seconds from the
scene's frame, the native one drawing_bench's time per drawn and shown frame
there. Needs
`make web` and drawing_bench built (make build, or
cmake --build build --target drawing_bench).
"""

import json
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "web"))
import page_driver  # noqa: E402

FPS = 60
# The frames the native benchmark draws, after the loader.
SCENES = [("tunnel", 10 * FPS), ("boids", 40 * FPS), ("grid", 60 * FPS)]
WINDOW = 2 * FPS


def native(build):
    env = dict(os.environ, SDL_VIDEODRIVER="offscreen", SDL_AUDIODRIVER="dummy")
    out = subprocess.run([os.path.join(build, "drawing_bench"), "--benchmark_format=json",
                          "--benchmark_filter=BM_Scene"], check=True, capture_output=True, env=env, text=True)
    times = {}
    for run in json.loads(out.stdout)["benchmarks"]:
        # BM_Scene/es:1/frame:600/min_time:2.000/real_time
        fields = dict(part.split(":") for part in run["name"].split("/") if ":" in part)
        times[(int(fields["frame"]), fields["es"] == "1")] = run["real_time"]
    return times


def web(build_web):
    server = page_driver.StaticServer(build_web)
    browser = page_driver.Browser()
    try:
        browser.open(server.url("?step=%d&finish=1" % FPS))
        browser.evaluate("zint.start()")
        last = max(frame for _, frame in SCENES) + WINDOW + 2
        browser.wait_for("zint.frames > %d || zint.state !== 'running'" % last, 1200)
        stamps = browser.evaluate("zint.frameTimes")
    finally:
        browser.close()
        server.close()
    # Frame k of the benchmark is drawn k frames after the loader's two.
    times = {}
    for _, frame in SCENES:
        start = frame + 2
        end = min(start + WINDOW, len(stamps) - 1)
        times[frame] = (stamps[end] - stamps[start]) / (end - start) if end > start else float("nan")
    return times


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build")
    build_web = sys.argv[2] if len(sys.argv) > 2 else os.path.join(ROOT, "build-web")
    native_times = native(build)
    web_times = web(build_web)
    print("%-8s %14s %14s %16s %10s" % ("scene", "native compat", "native ES", "Chromium WebGL2", "web / ES"))
    for name, frame in SCENES:
        compat = native_times.get((frame, False), float("nan"))
        es = native_times.get((frame, True), float("nan"))
        page = web_times[frame]
        print("%-8s %11.2f ms %11.2f ms %13.2f ms %9.2fx" % (name, compat, es, page, page / es))
    return 0


if __name__ == "__main__":
    sys.exit(main())
