#!/usr/bin/env python3
"""The statistics of tools/figures.sh, over the logs its runs of the demo leave behind.

    figures.py stamp                      prefixes each line of standard input with the
                                          CLOCK_REALTIME nanoseconds it arrived at
    figures.py play WORK                  the real-time run's tables, from WORK/tramble.log
                                          (stamped), frames.txt, audio.txt and launch
    figures.py frame-cost WORK BUILD...   the frame-cost table of one build, or of two side by
                                          side (before, after), from WORK/<i>-<full|cpu>-<round>.*

The frame and audio logs are the capture library's (tools/capture); their wall-clock times are
CLOCK_REALTIME nanoseconds, the clock `stamp` reads, so that log lines and audio buffers share
one time line. Python's standard library only; bash runs the demo, this only counts.
"""
import glob
import os
import re
import statistics
import sys
import time

SCENE = re.compile(r"Adding scene from (\d+) to (\d+)")
# Only the middle scenes log their stages: Scene2-4 start at their "Running state 1", and
# Scene5 starts as Scene4 stops, at the third "Running state 0".
STAGE_START = "Running state 1 during length 0"
STAGE_STOP = "Running state 0 during length 0"
LAST_SCENE = 5
STOPS_BEFORE_LAST_SCENE = 3


def median(values):
    """The median as the tables print it, "-" when there is none."""
    return f"{statistics.median(values):.1f}" if values else "-"


def scenes(log_path):
    """(from, to) ms of each scene on the timeline, in the order the program adds them."""
    with open(log_path, encoding="utf-8", errors="replace") as log:
        return [(int(start), int(end)) for start, end in SCENE.findall(log.read())]


def frames(frames_path):
    """(program clock ms, wall-clock ns) of every frame in a capture frame log."""
    with open(frames_path, encoding="utf-8") as log:
        return [(int(f[2]), int(f[3])) for f in (line.split() for line in log) if f[:1] == ["frame"] and len(f) == 4]


def peak_kilobytes(frames_path):
    with open(frames_path, encoding="utf-8") as log:
        return next((int(f[1]) for f in (line.split() for line in log) if f[:1] == ["peak_rss_kb"]), 0)


def launch_ms(run):
    """Ms from launch to the first frame of the run named run (its .launch and .frames)."""
    with open(run + ".launch", encoding="utf-8") as launch:
        return (frames(run + ".frames")[0][1] - int(launch.read())) // 1000000


def stamp():
    # Unbuffered, so that a line is stamped when the program wrote it, not when a buffer filled.
    source = open(sys.stdin.fileno(), "rb", buffering=0)
    out = sys.stdout.buffer
    for line in iter(source.readline, b""):
        out.write(b"%d %s" % (time.clock_gettime_ns(time.CLOCK_REALTIME), line))
        out.flush()


def play(work):
    """Frames per whole second of timeline inside each scene, launch, memory and A/V offsets."""
    log = os.path.join(work, "tramble.log")
    played = frames(os.path.join(work, "frames.txt"))
    spans = scenes(log)
    edges = [start for start, _ in spans] + [spans[-1][1]]
    per_second = {}
    for ms, _ in played:
        per_second[ms // 1000] = per_second.get(ms // 1000, 0) + 1
    print("| Scene | Median FPS | Slowest second | Fastest second |")
    print("|---|---|---|---|")
    for k in range(len(edges) - 1):
        fps = [per_second.get(s, 0) for s in range(max(per_second)) if edges[k] <= s * 1000 and (s + 1) * 1000 <= edges[k + 1]]
        print(f"| {k + 1} | {median(fps)} | {min(fps, default='-')} | {max(fps, default='-')} |")
    with open(os.path.join(work, "launch"), encoding="utf-8") as launch:
        print(f"\nLaunch to first frame: {(played[0][1] - int(launch.read())) // 1000000} ms")
    print(f"Peak memory (resident): {peak_kilobytes(os.path.join(work, 'frames.txt')) // 1024} MiB\n")
    av_offsets(os.path.join(work, "audio.txt"), log, edges)


def av_offsets(audio_path, log_path, edges):
    """The timeline at each scene start less the music heard as the start was logged: the last
    buffer handed to the device has played since at the device's rate."""
    rate, sound, buffers = 0, 0, []
    with open(audio_path, encoding="utf-8") as audio:
        for f in (line.split() for line in audio):
            if f[0] == "rate":
                rate = int(f[1])
            elif f[0] == "sound":
                sound = int(f[1])
            elif f[0] == "buffer":
                buffers.append(tuple(int(x) for x in f[1:4]))
    print("| Scene start | Timeline | Music heard | Picture ahead by |")
    print("|---|---|---|---|")
    starts = stops = 0
    with open(log_path, encoding="utf-8", errors="replace") as log:
        for line in log:
            line = line.rstrip("\n")
            if line.endswith(STAGE_START):
                starts += 1
                scene = starts + 1
            elif line.endswith(STAGE_STOP):
                stops += 1
                if stops != STOPS_BEFORE_LAST_SCENE:
                    continue
                scene = LAST_SCENE
            else:
                continue
            ns = int(line.split(" ", 1)[0])
            at, total, count = [b for b in buffers if b[0] <= ns][-1]
            heard = (total - count + min((ns - at) * 1e-9 * rate, count) - sound) * 1000 / rate
            start = edges[scene - 1]
            print(f"| {scene} | {start / 1000:.3f} s | {heard / 1000:.3f} s | {start - heard:.0f} ms |")


def frame_cost(work, builds):
    """Median full and CPU-side ms per frame of each scene, and launch to first frame, per build."""
    def runs(index, kind):
        return sorted(glob.glob(os.path.join(work, f"{index}-{kind}-*.frames")))

    def costs(index, kind):
        """Ms per frame (every frame after the first) of each scene, over the runs of one kind."""
        per_scene = {}
        for path in runs(index, kind):
            spans = scenes(path[: -len(".frames")] + ".log")
            played = frames(path)
            for (_, previous), (ms, ns) in zip(played, played[1:]):
                for k, (start, end) in enumerate(spans):
                    if start <= ms < end:
                        per_scene.setdefault(k + 1, []).append((ns - previous) / 1e6)
        return per_scene

    def launch(index):
        return median([launch_ms(path[: -len(".frames")]) for path in runs(index, "full")])

    full = [costs(i + 1, "full") for i in range(len(builds))]
    cpu = [costs(i + 1, "cpu") for i in range(len(builds))]
    scene_numbers = sorted(full[-1])
    if len(builds) == 1:
        print("| Scene | Full frame (ms) | CPU side (ms) |")
        print("|---|---|---|")
        for k in scene_numbers:
            print(f"| {k} | {median(full[0].get(k, []))} | {median(cpu[0].get(k, []))} |")
        print(f"\nLaunch to first frame (fixed step): {launch(1)} ms")
        return
    print(f"Before: {builds[0]}; after: {builds[1]}\n")
    print("| Scene | Full frame before (ms) | after (ms) | speed-up | CPU side before (ms) | after (ms) |")
    print("|---|---|---|---|---|---|")
    for k in scene_numbers:
        before, after = full[0].get(k, []), full[1].get(k, [])
        speed_up = f"{statistics.median(before) / statistics.median(after):.2f}x" if before and after else "-"
        print(f"| {k} | {median(before)} | {median(after)} | {speed_up} | {median(cpu[0].get(k, []))} | "
              f"{median(cpu[1].get(k, []))} |")
    print(f"\nLaunch to first frame (fixed step): before {launch(1)} ms, after {launch(2)} ms")


def main(argv):
    if argv[1:2] == ["stamp"]:
        stamp()
    elif argv[1:2] == ["play"] and len(argv) == 3:
        play(argv[2])
    elif argv[1:2] == ["frame-cost"] and len(argv) in (4, 5):
        frame_cost(argv[2], argv[3:])
    else:
        sys.exit(__doc__)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
