#!/usr/bin/env python3
"""Whether a recording of the program's sound is its music.

    music_heard.py HEARD.raw HEARD_RATE SONG.wav BLOCK_FRAMES MIN_SECONDS

HEARD.raw is signed 16-bit stereo at HEARD_RATE, as recorded from the sound server;
SONG.wav the offline render of the module. Once the server's resampling is undone,
the music must follow the render window by window; it may fall silent for at most
one player block at a time, and across such a gap skip or repeat at most a block.
"""
import sys

import numpy as np

SONG_RATE = 44100
WINDOW = SONG_RATE // 5
SHORTEST_WINDOW = SONG_RATE // 50  # shorter stretches between gaps are not compared
SHORTEST_GAP_SECONDS = 0.0005  # the render's own zero crossings are shorter
MIN_CORRELATION = 0.9  # clean windows fit above 0.98; a slip of more than a block fits below 0.82
SILENCE = 2  # sample magnitude of digital silence, allowing for dither
CUTOFF_HZ = 8000  # the server's resampler takes the top of the spectrum away; compare below it


def expect(condition, failure):
    if not condition:
        print(f"FAIL: {failure}")
        sys.exit(1)


def read_mono(path, skip):
    samples = np.fromfile(path, dtype="<i2", offset=skip).astype(np.float64)
    return samples[: len(samples) // 2 * 2].reshape(-1, 2).mean(axis=1)


def low_pass(signal, rate, count):
    """The signal below CUTOFF_HZ, through its spectrum, resampled to count samples."""
    spectrum = np.fft.rfft(signal)
    spectrum[int(CUTOFF_HZ * len(signal) / rate) :] = 0
    return np.fft.irfft(spectrum[: count // 2 + 1], count) * (count / len(signal))


def opening(heard, song):
    """Where in the song's first 2 s the heard music begins, by cross-correlation."""
    size = 1 << int(np.ceil(np.log2(6 * SONG_RATE)))
    spectrum = np.fft.rfft(song[: 4 * SONG_RATE], size) * np.conj(np.fft.rfft(heard[: 2 * SONG_RATE], size))
    return int(np.argmax(np.fft.irfft(spectrum, size)[: 2 * SONG_RATE + 1]))


def correlation(a, b):
    a, b = a - a.mean(), b - b.mean()
    norm = np.sqrt((a * a).sum() * (b * b).sum())
    return float((a * b).sum() / norm) if norm > 0 else 0.0


def silent_runs(signal, shortest):
    """(start, end) of every run of digital silence at least shortest samples long."""
    quiet = np.abs(signal) <= SILENCE
    edges = np.flatnonzero(np.diff(np.concatenate(([0], quiet.astype(np.int8), [0]))))
    return [(int(a), int(b)) for a, b in zip(edges[::2], edges[1::2]) if b - a >= shortest]


def follow(segments, song, block_frames, stats):
    """Follows the heard segments, (seconds into the recording, samples), through the
    render window by window. A window that does not fit where the last one ended may
    fit up to a block away (the server skipped or repeated a little); one that fits
    nowhere near holds such a step inside it, and the next one must fit again."""
    position = None  # where in the song the next heard sample belongs
    for heard_at, segment in segments:
        if len(segment) < SHORTEST_WINDOW:
            position = None if position is None else position + len(segment)
            continue
        if position is None:
            position = stats["opening"] = opening(segment, song)
        missed = 0
        for start in range(0, len(segment) - SHORTEST_WINDOW + 1, WINDOW):
            piece = segment[start : start + WINDOW]
            at = position + start
            if at + len(piece) > len(song):
                break
            fit, moved = correlation(piece, song[at : at + len(piece)]), at
            if fit < MIN_CORRELATION:
                tries = range(max(at - block_frames, 0), min(at + block_frames, len(song) - len(piece)) + 1)
                fit, moved = max((correlation(piece, song[t : t + len(piece)]), t) for t in tries)
            if fit < MIN_CORRELATION:
                missed += 1
                stats["misfits"] += 1
                expect(missed < 2, f"{heard_at + start / SONG_RATE:.2f} s into the recording the sound "
                                   f"correlates {fit:.3f} with the render")
                continue
            missed = 0
            stats["slips"] += moved != at
            position += moved - at
            stats["worst"] = min(stats["worst"], fit)
            stats["checked"] += len(piece)
        position += len(segment)


def main(heard_path, heard_rate, song_path, block_frames, min_seconds):
    heard_rate, block_frames, min_seconds = int(heard_rate), int(block_frames), float(min_seconds)
    heard, song = read_mono(heard_path, 0), read_mono(song_path, 44)
    # The render never rests, so silence amid the heard music is sound that
    # did not arrive in time.
    expect(not silent_runs(song[np.argmax(np.abs(song) > SILENCE) :], int(SHORTEST_GAP_SECONDS * SONG_RATE)),
           "the render itself has silences; gaps cannot be told from them")
    sounding = np.flatnonzero(np.abs(heard) > SILENCE)
    expect(len(sounding) > 0, "the recording is silent")
    first, last = int(sounding[0]), int(sounding[-1]) + 1
    seconds = (last - first) / heard_rate
    expect(seconds >= min_seconds, f"only {seconds:.2f} s of sound arrived")
    music = heard[first:last]
    gaps = silent_runs(music, int(SHORTEST_GAP_SECONDS * heard_rate))
    longest = max((end - start for start, end in gaps), default=0) / heard_rate
    expect(longest <= block_frames / SONG_RATE,
           f"the music fell silent for {longest * 1000:.1f} ms, longer than a block")

    # Between the gaps the music must be the render.
    bounds = [0] + [edge for gap in gaps for edge in gap] + [len(music)]
    segments = [((start + first) / heard_rate,
                 low_pass(music[start:end], heard_rate, int((end - start) * SONG_RATE / heard_rate)))
                for start, end in zip(bounds[::2], bounds[1::2])]
    stats = {"opening": 0, "worst": 1.0, "checked": 0, "slips": 0, "misfits": 0}
    follow(segments, low_pass(song, SONG_RATE, len(song)), block_frames, stats)
    expect(stats["checked"] >= 0.9 * seconds * SONG_RATE,
           f"only {stats['checked'] / SONG_RATE:.2f} s of the {seconds:.2f} s heard fit the render")
    print(f"ok: {seconds:.2f} s of the module heard from {first / heard_rate:.3f} s into the recording, "
          f"{stats['opening'] / SONG_RATE:.3f} s into the song; worst window correlation {stats['worst']:.3f}; "
          f"{len(gaps)} gaps, the longest {longest * 1000:.1f} ms; {stats['slips']} slips, "
          f"{stats['misfits']} windows across one")


if __name__ == "__main__":
    main(*sys.argv[1:6])
