#!/usr/bin/env python3
"""Whether a recording of the program's sound is its music.

    music_heard.py HEARD.raw HEARD_RATE SONG.wav BLOCK_FRAMES MIN_SECONDS

HEARD.raw is signed 16-bit stereo at HEARD_RATE, as recorded from the sound
server; SONG.wav the offline render of the module (44-byte header, 16-bit
stereo). The music must start somewhere in the recording and, once the
server's resampling is undone, follow the render window by window; it may
fall silent for at most one player block at a time, and across such a gap
skip or repeat at most a block of the song.
"""
import sys

import numpy as np

SONG_RATE = 44100
WINDOW = SONG_RATE // 5
SHORTEST_WINDOW = SONG_RATE // 50  # shorter stretches between gaps are not compared
SHORTEST_GAP_SECONDS = 0.0005  # the render's own zero crossings are shorter
MIN_CORRELATION = 0.9  # clean windows fit above 0.98; a slip of more than a block fits below 0.82
SILENCE = 2  # sample magnitude of digital silence, allowing for dither
# The server's resampler takes the top of the spectrum away; compare below it.
CUTOFF_HZ = 8000


def read_mono(path, skip):
    samples = np.fromfile(path, dtype="<i2", offset=skip).astype(np.float64)
    stereo = samples[: len(samples) // 2 * 2].reshape(-1, 2)
    return stereo.mean(axis=1)


def low_pass(signal, rate, count=None):
    """The signal below CUTOFF_HZ, through its spectrum; with count, resampled to that many samples."""
    count = count or len(signal)
    spectrum = np.fft.rfft(signal)
    spectrum[int(CUTOFF_HZ * len(signal) / rate) :] = 0
    return np.fft.irfft(spectrum[: count // 2 + 1], count) * (count / len(signal))


def resample(signal, rate_from, rate_to):
    return low_pass(signal, rate_from, int(len(signal) * rate_to / rate_from))


def best_lag(heard, song, search):
    """The lag of song in heard, from 0 to search samples, by cross-correlation."""
    size = 1 << int(np.ceil(np.log2(len(heard) + len(song))))
    spectrum = np.fft.rfft(heard, size) * np.conj(np.fft.rfft(song, size))
    correlation = np.fft.irfft(spectrum, size)[: search + 1]
    return int(np.argmax(correlation))


def correlation(a, b):
    a = a - a.mean()
    b = b - b.mean()
    norm = np.sqrt((a * a).sum() * (b * b).sum())
    return float((a * b).sum() / norm) if norm > 0 else 0.0


def silent_runs(signal, shortest):
    """(start, end) of every run of digital silence at least shortest samples long."""
    quiet = np.abs(signal) <= SILENCE
    edges = np.flatnonzero(np.diff(np.concatenate(([0], quiet.astype(np.int8), [0]))))
    return [(int(a), int(b)) for a, b in zip(edges[::2], edges[1::2]) if b - a >= shortest]


def fit_near(piece, song, expected, block_frames):
    """The best correlation of piece with the song within a block of expected, and where."""
    tries = range(max(expected - block_frames, 0), min(expected + block_frames, len(song) - len(piece)) + 1)
    fits = [correlation(piece, song[at : at + len(piece)]) for at in tries]
    best = int(np.argmax(fits))
    return fits[best], tries[best]


class Follower:
    """Follows the heard music through the render window by window. A window
    that does not fit where the last one ended may fit up to a block away
    (the server skipped or repeated a little); one that fits nowhere near
    holds such a step inside it, and the next one must fit again."""

    def __init__(self, song, block_frames):
        self.song = song
        self.block_frames = block_frames
        self.position = None  # where in the song the next heard sample belongs
        self.opening = 0
        self.worst = 1.0
        self.checked = 0
        self.misfits = 0
        self.slips = 0

    def skip(self, count):
        if self.position is not None:
            self.position += count

    def follow(self, segment, heard_at):
        """None, or why the segment heard at heard_at seconds is not the render."""
        if self.position is None:
            self.position = best_lag(self.song[: 4 * SONG_RATE], segment[: 2 * SONG_RATE], 2 * SONG_RATE)
            self.opening = self.position
        base = self.position  # where the segment's first sample belongs
        missed = 0
        for start in range(0, len(segment) - SHORTEST_WINDOW + 1, WINDOW):
            piece = segment[start : start + WINDOW]
            at = base + start
            if at + len(piece) > len(self.song):
                break
            here = correlation(piece, self.song[at : at + len(piece)])
            if here < MIN_CORRELATION:
                here, moved = fit_near(piece, self.song, at, self.block_frames)
                if here >= MIN_CORRELATION:
                    self.slips += 1
                    base += moved - at
            if here < MIN_CORRELATION:
                missed += 1
                self.misfits += 1
                if missed > 1:
                    return (f"{heard_at + start / SONG_RATE:.2f} s into the recording the sound "
                            f"correlates {here:.3f} with the render")
            else:
                missed = 0
                self.worst = min(self.worst, here)
                self.checked += len(piece)
        self.position = base + len(segment)
        return None


def main():
    heard_path, heard_rate, song_path, block_frames, min_seconds = sys.argv[1:6]
    heard_rate, block_frames, min_seconds = int(heard_rate), int(block_frames), float(min_seconds)
    heard_raw = read_mono(heard_path, 0)
    song = read_mono(song_path, 44)

    # The render never rests, so silence amid the heard music is sound that
    # did not arrive in time.
    if silent_runs(song[np.argmax(np.abs(song) > SILENCE) :], int(SHORTEST_GAP_SECONDS * SONG_RATE)):
        return "the render itself has silences; gaps cannot be told from them"
    sounding = np.flatnonzero(np.abs(heard_raw) > SILENCE)
    if len(sounding) == 0:
        return "the recording is silent"
    first, last = int(sounding[0]), int(sounding[-1]) + 1
    seconds = (last - first) / heard_rate
    if seconds < min_seconds:
        return f"only {seconds:.2f} s of sound arrived"
    music = heard_raw[first:last]
    gaps = silent_runs(music, int(SHORTEST_GAP_SECONDS * heard_rate))
    longest = max((end - start for start, end in gaps), default=0) / heard_rate
    if longest > block_frames / SONG_RATE:
        return f"the music fell silent for {longest * 1000:.1f} ms, longer than a block"

    song = low_pass(song, SONG_RATE)
    # Between the gaps the music must be the render; across a gap it may
    # skip or repeat at most a block of it.
    bounds = [0] + [edge for gap in gaps for edge in gap] + [len(music)]
    follower = Follower(song, block_frames)
    for start, end in zip(bounds[::2], bounds[1::2]):
        segment = resample(music[start:end], heard_rate, SONG_RATE)
        if len(segment) < SHORTEST_WINDOW:
            follower.skip(len(segment))
            continue
        failure = follower.follow(segment, (start + first) / heard_rate)
        if failure:
            return failure
    if follower.checked < 0.9 * seconds * SONG_RATE:
        return (f"only {follower.checked / SONG_RATE:.2f} s of the {seconds:.2f} s heard "
                f"fit the render")
    print(f"ok: {seconds:.2f} s of the module heard from {first / heard_rate:.3f} s into the recording, "
          f"{follower.opening / SONG_RATE:.3f} s into the song; worst window correlation {follower.worst:.3f}; "
          f"{len(gaps)} gaps, the longest {longest * 1000:.1f} ms; {follower.slips} slips, "
          f"{follower.misfits} windows across one")
    return None


if __name__ == "__main__":
    failure = main()
    if failure:
        print("FAIL: " + failure)
        sys.exit(1)
