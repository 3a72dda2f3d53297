#!/usr/bin/env python3
"""Seeds of ui_sheet_fuzz that reach the sheets' special dialogs.

A step of the fuzz target picks its control by an index into the live window
tree of the window in front, which changes whenever a page or a dialog gains
a control. So the seeds are written down here by the control ids a person
would use, and turned into bytes by asking the fuzz binary itself: with
VELM_SHEET_FUZZ_TRACE set it lists, before each step, the windows by the
index a step picks.

  sheet_seeds.py FUZZER SEED_DIR --write   (re)write the seeds below
  sheet_seeds.py FUZZER SEED_DIR --check   each seed still reaches its dialog

Each seed names the window captions (a dialog in front) or control ids (a
page shown) that its run must reach; --check fails naming the seed and what
it no longer reaches.
"""
import os
import re
import subprocess
import sys

# Operations of a step (the fuzz target's switch).
CLICK, TYPE_OVER, CHOOSE, OK, CANCEL, WAIT, TAB = 0, 16, 4, 11, 12, 6, 15
# Byte 0: reference printer; document sheet or printer sheet; ends with OK
# or Cancel.
DOC_OK, DOC_CANCEL, PRN_OK, PRN_CANCEL = 0, 4, 2, 6
SHEET_TABS = 12320  # the control id of a property sheet's tab control

# The print-type choice of the presets page lists Normal, Proof, Security
# and Remote on the reference model; its "..." button opens the details.
PRINT_TYPE, PRINT_TYPE_BUTTON = 2032, 2033

# name: (byte 0, [(operation, control id or None, argument, argument)],
#        answers of the message boxes (1 OK, 2 Cancel, 6 Yes, 7 No),
#        what the run must reach: captions in quotes, control ids as numbers)
SEEDS = {
    "remote-typed": (DOC_OK, [
        (CHOOSE, PRINT_TYPE, 3, 0),
        (CLICK, PRINT_TYPE_BUTTON, 0, 0),
        (CLICK, 2483, 0, 0),             # type the destination in
        (TYPE_OVER, 2486, 0, 1),         # "07", then the tab key
        (CHOOSE, 2485, 4, 0),            # line G4
        (OK, None, 0, 0),
    ], [1, 1, 1], ['"Remote Destination"']),
    "address-add-delete": (DOC_OK, [
        (CHOOSE, PRINT_TYPE, 3, 0),
        (CLICK, PRINT_TYPE_BUTTON, 0, 0),
        (CLICK, 2487, 0, 0),             # the address book
        (TYPE_OVER, 2494, 13, 0),        # name "a"
        (TYPE_OVER, 2489, 0, 1),         # number "07"
        (CLICK, 2499, 0, 0),             # add
        (TYPE_OVER, 2494, 14, 0),        # name "Z"
        (CLICK, 2499, 0, 0),             # add
        (CLICK, 2501, 0, 0),             # delete, asked and answered OK
        (CLICK, 8, 0, 0),                # close
        (CLICK, 2482, 0, 0),             # pick from the book
        (OK, None, 0, 0),
    ], [1, 1, 1], ['"Address List"', '"Remote Destination"']),
    "print-type-password": (DOC_OK, [
        (CHOOSE, PRINT_TYPE, 2, 0),      # Security
        (CLICK, PRINT_TYPE_BUTTON, 0, 0),
        (TYPE_OVER, 2245, 0, 3),         # password "0714"
        (OK, None, 0, 0),                # asks to confirm it
        (TYPE_OVER, 2527, 0, 2),         # "071", not the same
        (OK, None, 0, 0),
        (CANCEL, None, 0, 0),
    ], [1, 1, 1], ['"Print Type"', '"Enter Password"']),
    "print-type-proof": (DOC_CANCEL, [
        (CHOOSE, PRINT_TYPE, 1, 0),      # Proof
        (CLICK, PRINT_TYPE_BUTTON, 0, 0),
        (TYPE_OVER, 2241, 13, 2),        # user id
        (TYPE_OVER, 2532, 14, 3),        # document
        (OK, None, 0, 0),
    ], [1, 1, 1], ['"Print Type"']),
    "stamp-text": (DOC_OK, [
        (TAB, SHEET_TABS, 2, 0),         # the layout page
        (CLICK, 2091, 0, 0),             # a new text stamp
        (TYPE_OVER, 2310, 13, 4),
        (OK, None, 0, 0),
        (CLICK, 2088, 0, 0),             # stamps on
    ], [1, 1, 1], [2089, '"Text Stamp"']),
    "stamp-image": (DOC_CANCEL, [
        (TAB, SHEET_TABS, 2, 0),
        (CLICK, 2092, 0, 0),             # a new image stamp
        (TYPE_OVER, 2339, 14, 2),
        (OK, None, 0, 0),
        (CANCEL, None, 0, 0),
    ], [1, 1, 1], ['"Image Stamp"']),
    "stamp-overlay": (DOC_CANCEL, [
        (TAB, SHEET_TABS, 2, 0),
        (CLICK, 2407, 0, 0),             # a new overlay
        (TYPE_OVER, 2584, 13, 1),
        (OK, None, 0, 0),
        (CANCEL, None, 0, 0),
    ], [1, 1, 1], ['"Overlay"']),
    "user-sheet-truetype": (DOC_OK, [
        (TAB, SHEET_TABS, 5, 0),         # the print-quality page
        (CHOOSE, 2134, 1, 0),            # the second user quality
        (CLICK, 2136, 0, 0),             # its user settings sheet
        (TAB, SHEET_TABS, 1, 0),         # its TrueType page
        (CLICK, 2286, 0, 0),             # substitute by the table
        (CHOOSE, 2385, 0, 0),
        (CLICK, 2287, 0, 0),             # default
        (TAB, SHEET_TABS, 0, 0),
        (TYPE_OVER, 2281, 14, 3),        # the quality's name
        (OK, None, 0, 0),
    ], [1, 1, 1], ['"User Settings"', 2385, 2281]),
    "truetype-table": (PRN_OK, [
        (TAB, SHEET_TABS, 1, 0),         # the TrueType page
        (CHOOSE, 2385, 0, 0),
        (CHOOSE, 2384, 1, 0),
        (CHOOSE, 2385, 1, 0),
        (CHOOSE, 2384, 0, 0),            # font 0 takes the pair back
        (CLICK, 2386, 0, 0),             # default: the table emptied
    ], [1, 1, 1], [2385, 2384]),
    "installed-options": (PRN_OK, [
        (CHOOSE, 2164, 1, 0),
        (CLICK, 2164, 0, 0),
        (CHOOSE, 2164, 5, 0),
        (CLICK, 2166, 0, 0),
        (CHOOSE, 2168, 2, 0),
        (CLICK, 2175, 0, 0),
    ], [1, 1, 1], [2164, 2166]),
    "user-paper-size": (DOC_CANCEL, [
        (TAB, SHEET_TABS, 6, 0),         # initial settings
        (CLICK, 2158, 0, 0),
        (CHOOSE, 2364, 2, 0),
        (TYPE_OVER, 2220, 0, 2),
        (OK, None, 0, 0),
    ], [1, 1, 1], [2364]),
}
# Seeds written before this script, which it only checks.
KEPT = {
    "maintenance-delete-move": ['"Preset Maintenance"'],
    "print-quality-page": [2133, 2134],
}


def run_files(fuzzer, paths):
    """The trace of each input file, by its path, from one run of the target."""
    env = dict(os.environ, VELM_SHEET_FUZZ_TRACE="1")
    out = subprocess.run([fuzzer] + paths, env=env, capture_output=True, text=True, errors="replace")
    if out.returncode != 0:
        sys.exit("the fuzz target failed on a seed:\n" + out.stderr[-4000:])
    traces, current = {}, None
    for line in out.stderr.splitlines():
        if line.startswith("Running: "):
            current = line[len("Running: "):]
            traces[current] = []
        elif line.startswith("Executed "):
            current = None
        elif current is not None:
            traces[current].append(line)
    return {path: "\n".join(lines) for path, lines in traces.items()}


def run(fuzzer, data):
    path = os.path.join(os.environ.get("TMPDIR", "/tmp"), "sheet-seed-%d" % os.getpid())
    with open(path, "wb") as f:
        f.write(data)
    try:
        return run_files(fuzzer, [path]).get(path, "")
    finally:
        os.unlink(path)


def blocks(trace):
    """[(step, caption, [(index, control id, hidden)])] in the order run."""
    found = []
    for line in trace.splitlines():
        m = re.match(r'step (\d+) on "(.*)": \d+ windows$', line)
        if m:
            found.append((int(m.group(1)), m.group(2), []))
            continue
        m = re.match(r'  \[(\d+)\] \S+ #(-?\d+) ".*?"( hidden)?', line)
        if m and found:
            found[-1][2].append((int(m.group(1)), int(m.group(2)), bool(m.group(3))))
    return found


def encode(first, steps, answers):
    data = bytes([first]) + b"".join(bytes(s) for s in steps)
    # The boxes answer from the last bytes, the last first: three spare bytes
    # (fewer than a step) give the first three answers.
    return data + bytes(a - 1 for a in reversed(answers[:3]))


def build(fuzzer, name):
    first, symbolic, answers, _ = SEEDS[name]
    steps = []
    for n, (op, control, a, b) in enumerate(symbolic):
        index = 0
        if control is not None:
            probe = encode(first, steps + [(WAIT, 0, 0, 0)], answers)
            at = [blk for blk in blocks(run(fuzzer, probe)) if blk[0] == n]
            if not at:
                sys.exit("%s: no window is in front at step %d" % (name, n + 1))
            windows = at[0][2]
            hits = [i for i, cid, hidden in windows if cid == control and not hidden]
            if not hits:
                sys.exit('%s: step %d finds no control %d on "%s"' % (name, n + 1, control, at[0][1]))
            index = hits[0]
        steps.append((op, index, a, b))
    return encode(first, steps, answers)


def reached(trace, want):
    seen_captions = {caption for _, caption, _ in blocks(trace)}
    seen_ids = {cid for _, _, windows in blocks(trace) for _, cid, hidden in windows if not hidden}
    missing = []
    for w in want:
        if isinstance(w, str):
            if w.strip('"') not in seen_captions:
                missing.append(w)
        elif w not in seen_ids:
            missing.append(str(w))
    return missing


def main():
    if len(sys.argv) != 4 or sys.argv[3] not in ("--write", "--check"):
        sys.exit(__doc__)
    fuzzer, seed_dir, mode = sys.argv[1:]
    if mode == "--write":
        for name in SEEDS:
            data = build(fuzzer, name)
            with open(os.path.join(seed_dir, name), "wb") as f:
                f.write(data)
            print("wrote %s (%d bytes)" % (name, len(data)))
    failed = 0
    wants = {name: seed[3] for name, seed in SEEDS.items()}
    wants.update(KEPT)
    paths = {name: os.path.join(seed_dir, name) for name in wants}
    traces = run_files(fuzzer, list(paths.values()))
    for name, want in wants.items():
        missing = reached(traces.get(paths[name], ""), want)
        if missing:
            print("%s no longer reaches %s" % (name, ", ".join(missing)))
            failed = 1
        else:
            print("%s reaches %s" % (name, ", ".join(str(w) for w in want)))
    sys.exit(failed)


if __name__ == "__main__":
    main()
