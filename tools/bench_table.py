#!/usr/bin/env python3
"""Prints the one summary table of `make bench` from the results it left.

Usage: bench_table.py RESULTS_DIR

RESULTS_DIR holds NAME.json (Google Benchmark's JSON output) and NAME.txt (the
printed output) of every benchmark program. A figure whose benchmark did not
run is shown as "-", so a partial run still prints a table.
"""
import json
import os
import platform
import re
import subprocess
import sys


def load_json(folder, name):
    path = os.path.join(folder, name + ".json")
    if not os.path.exists(path):
        return {}
    with open(path) as f:
        data = json.load(f)
    times = {}
    for run in data.get("benchmarks", []):
        if run.get("run_type", "iteration") != "iteration":
            continue
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[run.get("time_unit", "ns")]
        times[run["name"]] = run["real_time"] * scale  # milliseconds
    return times


def load_text(folder, name):
    path = os.path.join(folder, name + ".txt")
    if not os.path.exists(path):
        return ""
    with open(path) as f:
        return f.read()


def find(times, *parts):
    """The time of the one benchmark whose name holds every part, or None."""
    for name, value in times.items():
        if all(part in name for part in parts):
            return value
    return None


def ratio(a, b):
    return "-" if a is None or b is None or b == 0 else f"{a / b:.2f}"


def ms(value):
    return "-" if value is None else f"{value:.2f} ms"


def machine():
    cpu = platform.processor() or platform.machine()
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    renderer = "-"
    try:
        out = subprocess.run(["glxinfo", "-B"], capture_output=True, text=True, timeout=10).stdout
        match = re.search(r"OpenGL renderer string: (.*)", out)
        if match:
            renderer = match.group(1).strip()
    except (OSError, subprocess.SubprocessError):
        pass
    return f"{os.cpu_count()} cores, {cpu}; OpenGL renderer: {renderer}"


def main():
    folder = sys.argv[1]
    rows = []

    sprites = load_json(folder, "sprites")
    ours = find(sprites, "BM_SpritesOurs")
    rows.append(("5,000 rotated alpha sprites, frame", ms(ours),
                 f"ours/SDL_Renderer {ratio(ours, find(sprites, 'BM_SpritesSDLRenderer'))}, "
                 f"ours/SFML {ratio(ours, find(sprites, 'BM_SpritesSFML'))}"))

    mixer = load_json(folder, "mixer")
    modes = [("steady", 0, 0), ("resample", 1, 0), ("volume+rate ramp", 2, 1),
             ("volume ramp", 3, 1)]
    for label, mode, change in modes:
        cells = []
        for voices in (8, 64, 512):
            our = find(mixer, "OurMixer/", f"voices:{voices}/", "bits:16/", "channels:2/",
                       f"mode:{mode}")
            sdl = find(mixer, "SdlMixer/", f"voices:{voices}/", f"volume_change:{change}")
            cells.append(f"{voices}: {ratio(our, sdl)}")
        rows.append((f"mixer, {label} (16-bit stereo)", "ours/SDL_mixer", ", ".join(cells)))
    # The other layouts (8-bit, mono) against the same peer figures.
    worst = None
    for name, our in mixer.items():
        match = re.search(r"OurMixer/voices:(8|64|512)/bits:\d+/channels:\d/mode:(\d)", name)
        if not match:
            continue
        change = dict((mode, change) for _, mode, change in modes)[int(match.group(2))]
        sdl = find(mixer, "SdlMixer/", f"voices:{match.group(1)}/", f"volume_change:{change}")
        if sdl:
            worst = max(worst or 0, our / sdl)
    rows.append(("mixer, every layout and mode, 8-512 voices", "ours/SDL_mixer",
                 "-" if worst is None else f"at most {worst:.2f}"))

    frames = load_json(folder, "game_frames")
    gl = find(frames, "BM_GLFramesRoundThirty", "shortcuts:-1/")
    plain = find(frames, "BM_GLFramesRoundThirty", "shortcuts:0/")
    rows.append(("round-30 frame, OpenGL driver", ms(gl),
                 "-" if gl is None else f"{1000.0 / gl:.1f} frames/s; plain path {ms(plain)}, "
                 f"ours/plain {ratio(gl, plain)}"))

    headless = load_text(folder, "headless_game")
    for match in re.finditer(r"^(\d+)\s+(\d+)\s+([\d.]+)\s*$", headless, re.M):
        rows.append((f"headless game, round {match.group(1)}", f"{match.group(2)} frames/s",
                     f"{match.group(3)}x real time"))

    # The pacing program runs each way twice; the last run of each counts.
    pacing = {}
    for match in re.finditer(r"^(\w+ waits)\s+mean\s+([\d.]+) ms\s+p50\s+([\d.]+) ms\s+p99\s+"
                             r"([\d.]+) ms", load_text(folder, "frame_pacing"), re.M):
        pacing[match.group(1)] = (f"mean {match.group(2)} ms",
                                  f"p50 {match.group(3)} ms, p99 {match.group(4)} ms")
    for label, figures in pacing.items():
        rows.append(("pacing 60 Hz, " + label,) + figures)

    print()
    print(f"Machine: {machine()}")
    print()
    print("| benchmark | figure | compared |")
    print("|---|---|---|")
    for row in rows:
        print(f"| {row[0]} | {row[1]} | {row[2]} |")


if __name__ == "__main__":
    main()
