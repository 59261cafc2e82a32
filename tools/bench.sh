#!/usr/bin/env bash
# Runs the benchmarks and writes docs/benchmarks.md:
#   tools/bench.sh [build folder, default build-bench] [report, default docs/benchmarks.md]
# Builds the Release benchmarks there; needs Google Benchmark and valgrind.
# The screen measurements need Xvfb, xdotool and ImageMagick, the Windows
# side also wine and build-win/velkaro.exe (tools/build-windows.sh); a side
# that cannot run is reported as unavailable. Figures are printed, never
# judged: nothing here fails because something is slow.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
report=${2:-$root/docs/benchmarks.md}
case "$build" in /*) ;; *) build="$PWD/$build" ;; esac
case "$report" in /*) ;; *) report="$PWD/$report" ;; esac
work="$build/bench-work"
mkdir -p "$work"
log() { echo "bench: $*" >&2; }

log "building in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >"$work/configure.log" 2>&1 || {
    log "cmake failed, see $work/configure.log"; exit 1; }
targets="velkaro_bench_frame velkaro_frame_loop velkaro_alloc_run velkaro-panel"
grep -q '^VELKARO_SDL:BOOL=ON' "$build/CMakeCache.txt" && targets="$targets velkaro velkaro_bench_sdl"
# shellcheck disable=SC2086
cmake --build "$build" -j2 --target $targets >"$work/build.log" 2>&1 || {
    log "build failed, see $work/build.log"; exit 1; }

# --- headless frame, bring-up and mode switch -----------------------------
log "frame timings"
"$build/velkaro_bench_frame" --benchmark_min_time=0.5 --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true --benchmark_out="$work/frame.json" \
    --benchmark_out_format=json >"$work/frame.txt" 2>&1

# --- instructions per frame under callgrind -------------------------------
log "instruction counts (callgrind)"
: >"$work/instructions.txt"
if command -v valgrind >/dev/null 2>&1; then
    for mode in 320x200 800x600 1024x768; do
        for panel in 0 1; do
            counts=()
            for frames in 1000 3000; do
                out="$work/callgrind.$mode.$panel.$frames"
                valgrind --tool=callgrind --callgrind-out-file="$out" \
                    "$build/velkaro_frame_loop" "$mode" "$panel" "$frames" >/dev/null 2>"$out.log"
                counts+=("$(awk '/^summary:/ { print $2 }' "$out")")
            done
            echo "$mode $panel $(( (counts[1] - counts[0]) / 2000 ))" >>"$work/instructions.txt"
        done
    done
else
    echo "unavailable" >"$work/instructions.txt"
fi

# --- allocations and peak memory over 100,000 frames ----------------------
log "allocations and peak memory"
"$build/velkaro_alloc_run" 100000 >"$work/alloc.txt" 2>&1

# --- on X servers: the SDL presenters, and Linux against Wine -------------
XVFB_PID=
RUN_PID=
cleanup() {
    [ -n "$RUN_PID" ] && kill "$RUN_PID" 2>/dev/null
    if [ -n "${WINEPREFIX:-}" ] && [ -n "${DISPLAY:-}" ]; then wineserver -k >/dev/null 2>&1; fi
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
}
trap cleanup EXIT

start_xvfb() { # <WxH>
    rm -f "$work/xvfb.display"
    Xvfb -displayfd 9 -screen 0 "$1x24" -nolisten tcp -noreset 9>"$work/xvfb.display" >"$work/xvfb-$1.log" 2>&1 &
    XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
        if [ -s "$work/xvfb.display" ]; then
            export DISPLAY=":$(head -n1 "$work/xvfb.display" | tr -d '[:space:]')"
            xdotool mousemove 10 10 2>/dev/null
            return 0
        fi
        sleep 0.1
    done
    return 1
}

stop_xvfb() {
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=
    unset DISPLAY
}

ticks_per_second=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }

# Screenshots read back through the program's panel; prints per shot its
# wall-clock time (ms), the frame rate and total frames the panel shows, and
# the CPU ticks the process (if given) has used. A picture scaled on the
# screen is cut out and sampled back to its own size first.
read_rates() { # <tag> <count> <pid or 0> <picture WxH> [crop geometry]
    local i shot when ticks
    for i in $(seq 1 "$2"); do
        sleep 1.5
        shot="$work/$1-$i.png"
        when=$(date +%s%3N)
        ticks=0
        [ "$3" != 0 ] && ticks=$(cpu_ticks "$3")
        import -window root "png24:$shot" 2>/dev/null || continue
        [ -n "${5:-}" ] && convert "$shot" -crop "$5" +repage -sample "$4!" "png24:$shot"
        "$build/velkaro-panel" "$shot" "${4%x*}" "${4#*x}" 2>>"$work/$1-panel.log" |
            awk -v t="$when" -v c="$ticks" '{ print t, $1, $2, c }'
    done
}

wait_window() { # <name regex> <seconds>
    local i id
    for i in $(seq 1 $(($2 * 5))); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    return 1
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'; }

# The Linux build on the current screen: style 1, an optional mode key, six
# panel readings; also its resident memory at the end. Extra arguments are
# environment settings.
run_linux() { # <tag> <mode key or -> <picture WxH> <crop or -> [VAR=value...]
    local tag=$1 mode=$2 size=$3 crop=$4
    shift 4
    : >"$work/$tag-rates.txt"
    (cd "$work" && exec env "$@" "$build/velkaro") >"$work/$tag-run.log" 2>&1 &
    RUN_PID=$!
    if wait_window '^Velkaro$' 20 >/dev/null; then
        sleep 1
        xdotool key b
        [ "$mode" != - ] && xdotool key "$mode"
        sleep 1
        read_rates "$tag" 6 "$RUN_PID" "$size" "$([ "$crop" != - ] && echo "$crop")" >"$work/$tag-rates.txt"
        awk '/^VmRSS|^VmHWM/ { print $1, $2 }' "/proc/$RUN_PID/status" >"$work/$tag-memory.txt"
        xdotool key Escape
    else
        echo "no window appeared" >"$work/$tag-note.txt"
    fi
    sleep 1
    kill "$RUN_PID" 2>/dev/null
    wait "$RUN_PID" 2>/dev/null
    RUN_PID=
}

# The Windows build under Wine in an 800x600 virtual desktop, with the
# DirectDraw renderer named (default or gdi).
run_wine() { # <tag> <renderer>
    local tag=$1
    : >"$work/$tag-rates.txt"
    if [ "$2" = gdi ]; then
        wine reg add 'HKCU\Software\Wine\Direct3D' /v renderer /d gdi /f >/dev/null 2>&1
    else
        wine reg delete 'HKCU\Software\Wine\Direct3D' /v renderer /f >/dev/null 2>&1
    fi
    wineserver -w
    (cd "$work" && exec wine start /wait /unix "$exe") >"$work/$tag-run.log" 2>&1 &
    RUN_PID=$!
    if wait_window ' - Wine desktop$' 60 >/dev/null && wait_window '^Velkaro$' 30 >/dev/null; then
        sleep 1
        xdotool key b
        sleep 1
        read_rates "$tag" 6 0 800x600 >"$work/$tag-rates.txt"
        xdotool key Escape
    else
        echo "no program window under Wine" >"$work/$tag-note.txt"
    fi
    sleep 1
    wineserver -k >/dev/null 2>&1
    wait "$RUN_PID" 2>/dev/null
    RUN_PID=
}

rm -f "$work"/*-rates.txt "$work"/*-note.txt "$work"/*-memory.txt "$work"/sdl-*.json
x_note=""
if command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v import >/dev/null && start_xvfb 800x600; then
    if [ -x "$build/velkaro_bench_sdl" ]; then
        for presenter in surface texture; do
            log "SDL back end per frame, $presenter presenter"
            VELKARO_PRESENTER=$presenter "$build/velkaro_bench_sdl" --benchmark_min_time=0.3 \
                --benchmark_out="$work/sdl-$presenter.json" --benchmark_out_format=json \
                >"$work/sdl-$presenter.txt" 2>&1
        done
        log "Linux build at 800x600: paced, unpaced, unpaced through the texture"
        run_linux linux-paced - 800x600 -
        run_linux linux-unpaced - 800x600 - SDL_RENDER_VSYNC=0
        run_linux linux-paced-texture - 800x600 - VELKARO_PRESENTER=texture
        run_linux linux-unpaced-texture - 800x600 - SDL_RENDER_VSYNC=0 VELKARO_PRESENTER=texture
    fi
    exe="$root/build-win/velkaro.exe"
    if [ ! -f "$exe" ]; then
        echo "no build-win/velkaro.exe (tools/build-windows.sh makes it)" >"$work/wine-note.txt"
    elif ! command -v wine >/dev/null; then
        echo "wine is not installed" >"$work/wine-note.txt"
    else
        export WINEPREFIX="$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            timeout 300 wineboot -i >"$work/wineboot.log" 2>&1
            wineserver -w
        fi
        if [ -f "$WINEPREFIX/system.reg" ]; then
            wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
            wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1
            log "Windows build under Wine at 800x600, default renderer, then GDI"
            run_wine wine-default default
            run_wine wine-gdi gdi
            wine reg delete 'HKCU\Software\Wine\Direct3D' /v renderer /f >/dev/null 2>&1
            wineserver -k >/dev/null 2>&1
        else
            echo "the Wine prefix could not be created (see wineboot.log)" >"$work/wine-note.txt"
        fi
    fi
    stop_xvfb
    if [ -x "$build/velkaro" ] && start_xvfb 1920x1080; then
        log "Linux build at 1024x768 on a 1920x1080 screen, unpaced"
        # 1024x768 keeps its shape: 1440x1080 in the middle of the screen.
        run_linux linux-unpaced-1024 7 1024x768 1440x1080+240+0 SDL_RENDER_VSYNC=0
        stop_xvfb
    fi
else
    x_note="no X server (Xvfb, xdotool and ImageMagick are needed)"
fi

# --- the report ------------------------------------------------------------
log "writing $report"
python3 - "$work" "$report" "$ticks_per_second" "$x_note" <<'EOF'
import json, os, platform, subprocess, sys, datetime
work, report, ticks_per_second, x_note = sys.argv[1:5]
ticks_per_second = int(ticks_per_second)

def load(name):
    try:
        with open(os.path.join(work, name)) as f:
            return json.load(f)
    except (OSError, ValueError):
        return None

def cpu():
    try:
        for line in open('/proc/cpuinfo'):
            if line.startswith('model name'):
                return line.split(':', 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or 'unknown'

def mem_total():
    for line in open('/proc/meminfo'):
        if line.startswith('MemTotal'):
            return '%.1f GB' % (int(line.split()[1]) / 1048576)
    return '?'

def us(b):
    factor = {'ns': 1e-3, 'us': 1, 'ms': 1e3, 's': 1e6}[b['time_unit']]
    return b['real_time'] * factor

out = []
w = out.append
w('# Benchmarks')
w('')
w('Made by `tools/bench.sh` on %s.' % datetime.datetime.now().strftime('%Y-%m-%d %H:%M'))
w('')
w('Machine: %s, %d cores, %s RAM, Linux %s; %s.' % (
    cpu(), os.cpu_count(), mem_total(), platform.release(),
    subprocess.run(['c++', '--version'], capture_output=True, text=True).stdout.splitlines()[0]))
w('Release build (-O3). The machine may be shared: times are medians of three runs and can '
  'still move by tens of percent; instruction counts do not.')
w('')

frame = load('frame.json')
instr = {}
try:
    for line in open(os.path.join(work, 'instructions.txt')):
        parts = line.split()
        if len(parts) == 3:
            instr[(parts[0], parts[1])] = int(parts[2])
except OSError:
    pass
w('## One frame over the headless back end')
w('')
w('`RenderFrame` and its flip, the program\'s own code over our software DirectDraw, '
  'with the back end keeping no copy of the screen.')
w('')
w('| Mode | Panel | Time per frame | Instructions per frame |')
w('|---|---|---|---|')
names = {0: '320x200', 1: '800x600', 2: '1024x768'}
if frame:
    for b in frame['benchmarks']:
        if not b['name'].startswith('Frame/') or b.get('aggregate_name') != 'median':
            continue
        _, m, p = b['run_name'].split('/')
        mode = names[int(m)]
        n = instr.get((mode, p))
        w('| %s | %s | %.2f µs | %s |' % (mode, 'yes' if p == '1' else 'no', us(b),
                                        '{:,}'.format(n) if n else 'unavailable'))
w('')
w('Instructions are counted by `valgrind --tool=callgrind` over 3000 frames less 1000 frames, '
  'divided by 2000, so start-up drops out. A frame copies a few kilobytes whatever the mode; '
  'the panel\'s 32 cells and the formatting of four numbers are most of the difference between the '
  'rows, and the mode barely matters.')
w('')
if frame:
    for name, what in (('BringUp', 'Display bring-up at 800x600 (release everything, then '
                        '`InitDirectDraw`: surfaces, palette, bitmaps, three background fills)'),
                       ('ModeSwitch', 'Mode switch, 640x480 and 800x600 in turn (`SwitchDisplayMode`)')):
        for b in frame['benchmarks']:
            if b['run_name'] == name and b.get('aggregate_name') == 'median':
                w('- %s: %.0f µs.' % (what, us(b)))
    w('')
    w('Both are dominated by clearing and painting the three screen-sized surfaces.')
    w('')

w('## Allocations and memory')
w('')
alloc = {}
try:
    for line in open(os.path.join(work, 'alloc.txt')):
        parts = line.split()
        if len(parts) >= 2:
            alloc[parts[0]] = parts[1]
except OSError:
    pass
if alloc:
    w('The whole program (`WinMain` and its message loop) over the headless back end for '
      '100,000 frames at 800x600 with the panel shown, heap allocations counted by a replaced '
      '`operator new`:')
    w('')
    w('- allocations per frame from frame 1,000 on: %s (%s in 99,000 frames);' % (
        alloc.get('allocations_per_frame', '?'),
        alloc.get('allocations_from_frame_1000_to_100000', '?')))
    w('- allocations in the whole run, start-up included: %s;' % alloc.get('allocations_total', '?'))
    w('- peak resident memory (VmHWM): %s kB.' % alloc.get('VmHWM_kB', '?'))
    w('')
    w('Frames allocate nothing, as they must; the memory is the executable, the C++ runtime and '
      'about 1.5 MB of surfaces.')
else:
    w('Unavailable (see bench-work/alloc.txt).')
w('')

def readings(tag):
    rows = []
    try:
        for line in open(os.path.join(work, tag + '-rates.txt')):
            parts = line.split()
            if len(parts) == 4:
                rows.append(tuple(int(x) for x in parts))
    except OSError:
        pass
    return rows

def note(tag):
    for name in (tag, tag.split('-')[0]):
        try:
            return open(os.path.join(work, name + '-note.txt')).read().strip()
        except OSError:
            pass
    return x_note or 'the panel could not be read (see bench-work/%s-panel.log)' % tag

def figures(tag):
    """Median panel rate; frames per second, CPU share and CPU per frame between the first and last shot."""
    rows = readings(tag)
    if not rows:
        return None
    f = {'median': sorted(r[1] for r in rows)[(len(rows) - 1) // 2], 'readings': [r[1] for r in rows]}
    first, last = rows[0], rows[-1]
    seconds = (last[0] - first[0]) / 1000.0
    frames = last[2] - first[2]
    if seconds > 0 and frames > 0:
        f['fps'] = frames / seconds
        if last[3] > first[3]:
            cpu = (last[3] - first[3]) / ticks_per_second
            f['cpu'] = 100.0 * cpu / seconds
            f['us_per_frame'] = 1e6 * cpu / frames
    try:
        for line in open(os.path.join(work, tag + '-memory.txt')):
            k, v = line.split()
            f[k.rstrip(':')] = int(v)
    except OSError:
        pass
    return f

w('## Presenting: what changed, not the screen')
w('')
w('Each flip hands the back end only the region where the new picture differs from the one on '
  'the screen. The SDL back end copies, converts and sends just that region through one of two '
  'presenters: *surface* scales it with the CPU straight into the window\'s own framebuffer (X '
  'shared memory) and updates only those rectangles; *texture* updates those parts of a streaming '
  'texture drawn by an SDL renderer. The automatic choice takes *surface* where OpenGL would be '
  'a software rasteriser (as under Xvfb, which offers no direct rendering) and *texture* on a GPU.')
w('')
w('### The whole program on one screen')
w('')
w('All runs on Xvfb, one after the other in the same run, style 1 so the panel shows. Frame rates '
  'are read from the program\'s own panel in six screenshots 1.5 s apart, pixel for pixel; the '
  'program\'s CPU is its own user and system time over the same interval (the X server\'s is not '
  'counted). *Paced* is the default (a flip waits for the refresh period); *unpaced* sets '
  '`SDL_RENDER_VSYNC=0`. Wine runs the Windows build in an 800x600 virtual desktop with its '
  'default DirectDraw renderer (OpenGL) and with `HKCU\\Software\\Wine\\Direct3D` `renderer` = `gdi`.')
w('')
w('| Run | Panel frames/s, median | Frames/s between first and last shot | Program CPU, % of a core | CPU per frame | Resident (VmRSS / peak) |')
w('|---|---|---|---|---|---|')
runs = (('linux-paced', 'Linux, paced, automatic presenter (surface), 800x600'),
        ('linux-unpaced', 'Linux, unpaced, automatic presenter (surface), 800x600'),
        ('linux-paced-texture', 'Linux, paced, texture presenter forced, 800x600'),
        ('linux-unpaced-texture', 'Linux, unpaced, texture presenter forced, 800x600'),
        ('wine-default', 'Windows build under Wine, default renderer, 800x600'),
        ('wine-gdi', 'Windows build under Wine, GDI renderer, 800x600'),
        ('linux-unpaced-1024', 'Linux, unpaced, automatic presenter, 1024x768 on a 1920x1080 screen'))
results = {}
for tag, label in runs:
    f = figures(tag)
    results[tag] = f
    if not f:
        w('| %s | unavailable: %s | | | | |' % (label, note(tag)))
        continue
    mem = '%.1f / %.1f MB' % (f['VmRSS'] / 1024, f['VmHWM'] / 1024) if 'VmRSS' in f else '-'
    w('| %s | %d | %s | %s | %s | %s |' % (
        label, f['median'], '%.0f' % f['fps'] if 'fps' in f else '-',
        '%.1f' % f['cpu'] if 'cpu' in f else '-',
        '%.0f µs' % f['us_per_frame'] if 'us_per_frame' in f else '-', mem))
w('')

def get(tag, key):
    f = results.get(tag)
    return f.get(key) if f else None

lines = []
paced_cpu, paced_rss = get('linux-paced', 'cpu'), get('linux-paced', 'VmRSS')
if paced_cpu is not None and paced_rss:
    lines.append('Paced at the default settings the program uses %.1f%% of a core and %.1f MB resident '
                 '(aims: at most 2%% and 40 MB).' % (paced_cpu, paced_rss / 1024))
unpaced = get('linux-unpaced', 'fps')
for tag, name, aim in (('wine-gdi', 'Wine\'s GDI renderer', 5), ('wine-default', 'Wine\'s default renderer', 20)):
    other = get(tag, 'fps')
    if unpaced and other:
        lines.append('Unpaced, the Linux build draws %.1f times the frames per second of the Windows build '
                     'under %s (aim: at least %d times).' % (unpaced / other, name, aim))
small, large = get('linux-unpaced', 'us_per_frame'), get('linux-unpaced-1024', 'us_per_frame')
if small and large:
    lines.append('CPU per frame at 1024x768 on a 1920x1080 screen is %.2f times the 800x600 figure '
                 '(aim: at most 2): the cost follows the change, not the screen.' % (large / small))
for line in lines:
    w('- ' + line)
for tag, label in runs:
    f = results.get(tag)
    if f and len(f['readings']) > 1 and min(f['readings']) * 2 < max(f['readings']):
        w('- The panel readings of "%s" vary by more than a factor of two (%d to %d): the machine was '
          'busy, and its median says little.' % (label, min(f['readings']), max(f['readings'])))
w('')
w('For comparison, before presenting followed the damage every flip converted and uploaded all '
  '480,000 pixels and recomposited the whole window through Mesa\'s software OpenGL: paced, '
  '21-26% of a core and 106 MB resident; unpaced, 300-440 frames/s on 1.4 cores; the Windows '
  'build under Wine on the same screen 180-390 frames/s (default renderer) and 1,200-2,500 '
  'frames/s (GDI).')
w('')

w('### The back end alone')
w('')
w('`velkaro_bench_sdl`: `bk_Present` and the flip\'s show of a synthetic picture on an 800x600 Xvfb '
  'screen, unpaced, wall-clock per frame. *Whole* changes every pixel; *steady* hands over the '
  'damage of a steady frame (three moved cards with captions and the panel\'s numbers, about '
  '9,000 pixels). Wall-clock time includes waiting for the X server.')
w('')
w('| Mode | surface, whole | surface, steady | texture, whole | texture, steady |')
w('|---|---|---|---|---|')
tables = {}
for presenter in ('surface', 'texture'):
    data = load('sdl-%s.json' % presenter)
    if not data:
        continue
    for b in data['benchmarks']:
        kind, idx = b['name'].split('/')
        tables.setdefault(int(idx), {})[(presenter, kind)] = (us(b), b.get('label', ''))
if tables:
    for idx in sorted(tables):
        r = tables[idx]
        label = next(iter(r.values()))[1]
        cells = []
        for key in (('surface', 'Whole'), ('surface', 'Steady'), ('texture', 'Whole'), ('texture', 'Steady')):
            cells.append('%.0f µs' % r[key][0] if key in r else '-')
        w('| %s | %s |' % (label, ' | '.join(cells)))
else:
    w('Unavailable: %s.' % (x_note or 'see bench-work/sdl-*.txt'))
w('')
with open(report, 'w') as f:
    f.write('\n'.join(out))
EOF
log "done: $report"
cat "$report"
