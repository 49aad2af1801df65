"""Rovor.wav: eight seconds of music, 16-bit mono at 22050 Hz, that loop
without a seam."""

import math
import struct


RATE = 22050
SECONDS = 8
N_SAMPLES = RATE * SECONDS
BEAT = 0.5    # 120 bpm; 4 bars of 4/4 fill the loop exactly


def midi_hz(n):
    return 440.0 * 2.0 ** ((n - 69) / 12.0)


def add_note(buf, start_s, dur_s, freq, amp, attack, decay, release,
             harmonics=((1, 1.0),), vibrato=0.0):
    """Mix one enveloped note into buf.  The note is cut so that its release
    finishes inside the buffer, and its envelope starts and ends at zero."""
    start = int(round(start_s * RATE))
    length = int(round(dur_s * RATE))
    length = min(length, N_SAMPLES - start)
    if length <= 2:
        return
    a_n = max(1, int(attack * RATE))
    r_n = max(2, min(int(release * RATE), length - 1))
    two_pi = 2.0 * math.pi
    step = two_pi * freq / RATE
    k_decay = math.exp(-1.0 / (decay * RATE)) if decay > 0 else 1.0
    env_d = 1.0
    norm = sum(abs(h[1]) for h in harmonics)
    sin = math.sin
    last = length - 1
    for n in range(length):
        if n < a_n:
            e = n / a_n
        else:
            e = 1.0
        e *= env_d
        env_d *= k_decay
        left = last - n
        if left < r_n:
            e *= left / r_n
        ph = step * n
        if vibrato:
            ph += vibrato * sin(two_pi * 5.0 * n / RATE)
        v = 0.0
        for mult, ha in harmonics:
            v += ha * sin(ph * mult)
        buf[start + n] += amp * e * v / norm


def add_kick(buf, start_s, amp):
    start = int(round(start_s * RATE))
    length = min(int(0.24 * RATE), N_SAMPLES - start)
    phase = 0.0
    last = length - 1
    for n in range(length):
        t = n / RATE
        f = 42.0 + 80.0 * math.exp(-t / 0.035)
        phase += 2.0 * math.pi * f / RATE
        e = math.exp(-t / 0.07) * min(1.0, n / 40.0) * (last - n) / last
        buf[start + n] += amp * e * math.sin(phase)


def make_music():
    buf = [0.0] * N_SAMPLES
    # A minor: Am, F, Dm, E (the E major bar pulls back to Am at the loop).
    chords = [
        (57, [57, 60, 64]),     # Am
        (53, [53, 57, 60]),     # F
        (50, [50, 53, 57]),     # Dm
        (52, [52, 56, 59]),     # E
    ]
    arp_shape = [0, 1, 2, 3, 4, 3, 2, 1, 0, 2, 3, 5, 4, 2, 3, 1]
    bar_len = 4 * BEAT
    for bar, (root, triad) in enumerate(chords):
        t0 = bar * bar_len
        tones = triad + [n + 12 for n in triad]
        # Arpeggio in sixteenth notes, a soft bell-like voice.
        for k, idx in enumerate(arp_shape):
            note = tones[idx] + 12
            accent = 1.0 if k % 4 == 0 else 0.72
            add_note(buf, t0 + k * BEAT / 4, 0.42, midi_hz(note),
                     0.16 * accent, 0.004, 0.16, 0.03,
                     harmonics=((1, 1.0), (2, 0.25), (3, 0.08)))
        # Bass: eighth notes on the root with an octave lift.
        bass_shape = [0, 0, 12, 0, 0, 0, 12, 7]
        for k, off in enumerate(bass_shape):
            add_note(buf, t0 + k * BEAT / 2, 0.24, midi_hz(root - 24 + off),
                     0.30, 0.006, 0.25, 0.04,
                     harmonics=((1, 1.0), (2, 0.35), (3, 0.12)))
        # Pad: the triad held across the bar, fading in and out slowly.
        pad_len = bar_len + (0.25 if bar < 3 else 0.0)
        for n in triad:
            add_note(buf, t0, pad_len, midi_hz(n), 0.06, 0.35, 0.0, 0.45,
                     harmonics=((1, 1.0), (2, 0.15)), vibrato=0.02)
        # Soft kick on beats one and three.
        add_kick(buf, t0, 0.45)
        add_kick(buf, t0 + 2 * BEAT, 0.32)
    # A short answering phrase over the last two bars.
    melody = [(8, 76, 0.9), (9, 74, 0.4), (9.5, 72, 0.4), (10, 69, 1.4),
              (12, 71, 0.9), (13, 68, 0.45), (13.5, 71, 0.45), (14, 64, 1.9)]
    for beat, note, length in melody:
        add_note(buf, beat * BEAT, length * BEAT + 0.1, midi_hz(note), 0.10,
                 0.03, 0.8, 0.12, harmonics=((1, 1.0), (3, 0.12)),
                 vibrato=0.015)

    peak = max(abs(v) for v in buf) or 1.0
    scale = 0.5 * 32767.0 / peak
    samples = [int(round(v * scale)) for v in buf]
    data = struct.pack('<%dh' % N_SAMPLES, *samples)
    header = struct.pack('<4sI4s4sIHHIIHH4sI', b'RIFF', 36 + len(data),
                         b'WAVE', b'fmt ', 16, 1, 1, RATE, RATE * 2, 2, 16,
                         b'data', len(data))
    return header + data
