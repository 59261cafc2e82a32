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

# --- on an X server: the SDL presenter, and Linux against Wine ------------
XVFB_PID=
RUN_PID=
cleanup() {
    [ -n "$RUN_PID" ] && kill "$RUN_PID" 2>/dev/null
    if [ -n "${WINEPREFIX:-}" ] && [ -n "${DISPLAY:-}" ]; then wineserver -k >/dev/null 2>&1; fi
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
}
trap cleanup EXIT

start_xvfb() {
    rm -f "$work/xvfb.display"
    Xvfb -displayfd 9 -screen 0 800x600x24 -nolisten tcp 9>"$work/xvfb.display" >"$work/xvfb.log" 2>&1 &
    XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
        if [ -s "$work/xvfb.display" ]; then
            export DISPLAY=":$(head -n1 "$work/xvfb.display" | tr -d '[:space:]')"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# Screenshots of the whole 800x600 screen, read back through the panel;
# prints per shot its wall-clock time (ms), the frame rate and the total
# frames that the panel shows.
read_rates() { # <tag> <count>
    local i shot when
    for i in $(seq 1 "$2"); do
        sleep 1.5
        shot="$work/$1-$i.png"
        when=$(date +%s%3N)
        import -window root "png24:$shot" 2>/dev/null || continue
        "$build/velkaro-panel" "$shot" 800 600 2>>"$work/$1-panel.log" | awk -v t="$when" '{ print t, $1, $2 }'
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

sdl_rates="" wine_rates="" sdl_note="" wine_note=""
: >"$work/sdl.txt"
if command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v import >/dev/null && start_xvfb; then
    if [ -x "$build/velkaro_bench_sdl" ]; then
        log "SDL presenter"
        "$build/velkaro_bench_sdl" --benchmark_min_time=0.3 --benchmark_out="$work/sdl.json" \
            --benchmark_out_format=json >"$work/sdl.txt" 2>&1
        log "Linux build (SDL, vsync off) at 800x600"
        (cd "$work" && SDL_RENDER_VSYNC=0 exec "$build/velkaro") >"$work/linux-run.log" 2>&1 &
        RUN_PID=$!
        if wait_window '^Velkaro$' 20 >/dev/null; then
            sleep 1
            xdotool key b
            sdl_rates=$(read_rates linux 5)
            xdotool key Escape
        else
            sdl_note="no window appeared (see linux-run.log)"
        fi
        sleep 1
        kill "$RUN_PID" 2>/dev/null
        wait "$RUN_PID" 2>/dev/null
        RUN_PID=
    else
        sdl_note="the SDL back end is not built"
    fi

    exe="$root/build-win/velkaro.exe"
    if [ ! -f "$exe" ]; then
        wine_note="no build-win/velkaro.exe (tools/build-windows.sh makes it)"
    elif ! command -v wine >/dev/null; then
        wine_note="wine is not installed"
    else
        log "Windows build under Wine at 800x600"
        export WINEPREFIX="$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            timeout 300 wineboot -i >"$work/wineboot.log" 2>&1
            wineserver -w
        fi
        if [ -f "$WINEPREFIX/system.reg" ]; then
            wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
            wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1
            wineserver -w
            (cd "$work" && exec wine start /wait /unix "$exe") >"$work/wine-run.log" 2>&1 &
            RUN_PID=$!
            if wait_window ' - Wine desktop$' 60 >/dev/null && wait_window '^Velkaro$' 30 >/dev/null; then
                sleep 1
                xdotool key b
                wine_rates=$(read_rates wine 5)
                xdotool key Escape
            else
                wine_note="no program window under Wine (see wine-run.log)"
            fi
            sleep 1
            wineserver -k >/dev/null 2>&1
            wait "$RUN_PID" 2>/dev/null
            RUN_PID=
        else
            wine_note="the Wine prefix could not be created (see wineboot.log)"
        fi
    fi
else
    sdl_note="no X server (Xvfb, xdotool and ImageMagick are needed)"
    wine_note=$sdl_note
fi
[ -z "$sdl_rates" ] && [ -z "$sdl_note" ] && sdl_note="the panel could not be read (see linux-panel.log)"
[ -z "$wine_rates" ] && [ -z "$wine_note" ] && wine_note="the panel could not be read (see wine-panel.log)"
printf '%s\n' "$sdl_rates" >"$work/linux-rates.txt"
printf '%s\n' "$wine_rates" >"$work/wine-rates.txt"
sdl_fps=$(printf '%s\n' "$sdl_rates" | awk 'NF == 3 { print $2 }' | median)
wine_fps=$(printf '%s\n' "$wine_rates" | awk 'NF == 3 { print $2 }' | median)

# --- the report ------------------------------------------------------------
log "writing $report"
python3 - "$work" "$report" "${sdl_fps:-}" "${wine_fps:-}" "$sdl_note" "$wine_note" <<'EOF'
import json, os, platform, subprocess, sys, datetime
work, report, sdl_fps, wine_fps, sdl_note, wine_note = sys.argv[1:7]

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

w('## SDL presenter')
w('')
sdl = load('sdl.json')
if sdl:
    ctx = sdl.get('context', {})
    w('Per presented frame, on Xvfb with SDL\'s `%s` renderer (driver `%s`). *Present* is '
      '`bk_Present` of `platform/sdl/`: the palette lookup of every pixel into the streaming '
      'texture and its upload. *Lookup* is the same 256-entry lookup into plain memory, written '
      'in the benchmark because the back end does not expose its conversion on its own.' % (
          ctx.get('sdl_renderer', '?'), ctx.get('sdl_video_driver', '?')))
    w('')
    w('| Mode | Present | Lookup only |')
    w('|---|---|---|')
    rows = {}
    for b in sdl['benchmarks']:
        kind, idx = b['name'].split('/')
        rows.setdefault(int(idx), {})[kind] = (us(b), b.get('label', '').split(' ')[0])
    for idx in sorted(rows):
        r = rows[idx]
        label = (r.get('Present') or r.get('Lookup'))[1]
        w('| %s | %s | %s |' % (label,
                                '%.0f µs' % r['Present'][0] if 'Present' in r else '-',
                                '%.0f µs' % r['Lookup'][0] if 'Lookup' in r else '-'))
    w('')
    big = rows.get(5, {})
    if 'Present' in big and 'Lookup' in big:
        w('At 800x600 the lookup is %.0f µs of the %.0f µs; the rest is the texture\'s lock and '
          'upload. Under Xvfb the renderer is Mesa\'s software OpenGL, so the upload is one more copy '
          'done by the CPU; on a real GPU it is a transfer.' % (big['Lookup'][0], big['Present'][0]))
else:
    w('Unavailable: %s.' % (sdl_note or 'see bench-work/sdl.txt'))
w('')

w('## Linux and Windows builds side by side')
w('')
w('Both builds on the same 800x600 Xvfb screen, one after the other, background style 1 so the '
  'panel shows; the frame rate is read from the program\'s own panel in five screenshots, pixel '
  'for pixel, and the median is given. The Linux build is `velkaro` over SDL with '
  '`SDL_RENDER_VSYNC=0`; the Windows build is `build-win/velkaro.exe` under Wine\'s DirectDraw in '
  'an 800x600 virtual desktop.')
w('')
def readings(name):
    rows = []
    try:
        for line in open(os.path.join(work, name)):
            parts = line.split()
            if len(parts) == 3:
                rows.append(tuple(int(x) for x in parts))
    except OSError:
        pass
    return rows

def average(rows):
    # Frames drawn between the first and the last screenshot over the wall-clock time between them.
    if len(rows) < 2 or rows[-1][0] <= rows[0][0]:
        return ''
    return '%.0f' % ((rows[-1][2] - rows[0][2]) * 1000.0 / (rows[-1][0] - rows[0][0]))

w('| Build | Panel frame rate, median | Panel readings | Frames counted between first and last shot, per second |')
w('|---|---|---|---|')
for label, fps, note, name in (('Linux (SDL)', sdl_fps, sdl_note, 'linux-rates.txt'),
                               ('Windows under Wine', wine_fps, wine_note, 'wine-rates.txt')):
    rows = readings(name)
    if fps:
        w('| %s | %s | %s | %s |' % (label, fps, ', '.join(str(r[1]) for r in rows), average(rows) or '-'))
    else:
        w('| %s | unavailable: %s | | |' % (label, note))
for label, name in (('Linux', 'linux-rates.txt'), ('Wine', 'wine-rates.txt')):
    rates = [r[1] for r in readings(name)]
    if rates and min(rates) * 2 < max(rates):
        w('')
        w('The %s readings vary by more than a factor of two within the run (%d to %d frames per '
          'second), so its median says little; the screenshots are in `bench-work/` of the build folder.'
          % (label, min(rates), max(rates)))
if sdl_fps and wine_fps and int(wine_fps) > 0:
    w('')
    w('Ratio Linux / Wine: %.2f.' % (int(sdl_fps) / int(wine_fps)))
w('')
w('Without SDL_RENDER_VSYNC=0 the SDL back end waits for the retrace at every flip (or, where '
  'vsync does not wait, for the display\'s refresh period), as a flip on the hardware does; with '
  'it, as here, nothing paces the frames. Both builds then spend most of a frame presenting it '
  'through X: the frame itself costs a few microseconds (above).')
w('')
with open(report, 'w') as f:
    f.write('\n'.join(out))
EOF
log "done: $report"
cat "$report"
