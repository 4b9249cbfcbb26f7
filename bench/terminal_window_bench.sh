#!/bin/bash
# The terminal in the px window, measured under one Xvfb:
#  - cat of a 20 MB text file through px's terminal (from the child's start
#    to its last paint, synced with the X server) beside bitmap xterm
#    (-fn fixed) at 80 x 25 and 160 x 50, rounds alternating px and xterm,
#    with the pseudo-terminal alone (script, no drawing) as the floor;
#    medians and peak memory, px with the scroll-back on and off;
#  - how long Ctrl+C takes to end `sleep 30` and `yes`, and Esc a script
#    that prints without pause and ends on reading it (panels back);
#  - how much px grows during 10 s of `yes`.
# Needs px built, Xvfb, xdotool, xterm and xfonts-base (scripts/install-deps).
#
#     bench/terminal_window_bench.sh [build-dir] [rounds]
set -u

BUILD=${1:-build}
ROUNDS=${2:-3}
PX=$(cd "$BUILD" && pwd)/app/px
WORK=$(mktemp -d /tmp/pxtermbench.XXXXXX)
XVFB=
PXPID=

cleanup()
{
    [ -n "$PXPID" ] && kill "$PXPID" 2>/dev/null
    [ -n "$XVFB" ] && kill "$XVFB" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

Xvfb -displayfd 4 -screen 0 2100x1300x24 -nolisten tcp 4>"$WORK/display" 2>/dev/null &
XVFB=$!
for _ in $(seq 200); do [ -s "$WORK/display" ] && break; sleep 0.05; done
export DISPLAY=:$(head -1 "$WORK/display")
export LC_ALL=C.UTF-8 TZ=UTC

# 20 MB of text in lines of 79 characters.
TEXT=$WORK/text
yes 'The quick brown fox jumps over the lazy dog, 0123456789 times; abcdefghijklmnop' | head -c 20000000 > "$TEXT"

median()
{
    sort -g | awk '{a[NR]=$1} END {if (NR % 2) print a[(NR+1)/2]; else print (a[NR/2]+a[NR/2+1])/2}'
}

now() { echo "$EPOCHREALTIME"; }

# The snapshot shows the panels: px waits for the next command.
panels_back()
{
    head -2 "$WORK/dump" 2>/dev/null | grep -q '^TITLE Pannex: /'
}

wait_panels()
{
    for _ in $(seq 6000); do panels_back && return 0; sleep 0.005; done
    echo "px did not come back" >&2
    return 1
}

wait_title()
{
    for _ in $(seq 6000); do head -2 "$WORK/dump" 2>/dev/null | grep -qF "TITLE Pannex: $1" && return 0; sleep 0.005; done
    return 1
}

# Starts px at columns x lines with the scroll-back on or off.
start_px()
{
    local cols=$1 lines=$2 scrollback=$3
    mkdir -p "$WORK/home/.pxl"
    printf 'Columns=%s\r\nLines=%s\r\nConsoleScrollback=%s\r\nConfirmations=8\r\n' "$cols" "$lines" "$scrollback" \
        > "$WORK/home/.pxl/px.ini"
    rm -f "$WORK/dump" "$WORK/times"
    (cd "$WORK" && HOME=$WORK/home PX_SCREEN_DUMP=$WORK/dump PX_RUN_TIMES=$WORK/times exec "$PX") &
    PXPID=$!
    WIN=$(xdotool search --sync --onlyvisible --name Pannex | head -1)
    xdotool windowfocus --sync "$WIN"
    wait_panels
}

stop_px()
{
    xdotool key F10
    wait "$PXPID" 2>/dev/null
    PXPID=
}

px_command()
{
    xdotool type --delay 1 "$1"
    xdotool key Return
}

px_cat()
{
    local cols=$1 lines=$2 scrollback=$3
    start_px "$cols" "$lines" "$scrollback"
    px_command "cat text"
    wait_title "cat text"
    wait_panels
    local t
    t=$(tail -1 "$WORK/times")
    local rss
    rss=$(awk '/VmHWM/ {print $2}' "/proc/$PXPID/status")
    stop_px
    echo "$t $rss"
}

xterm_cat()
{
    local cols=$1 lines=$2
    /usr/bin/time -f '%e %M' -o "$WORK/xtime" xterm -fn fixed -geometry "${cols}x${lines}" -e cat "$TEXT"
    cat "$WORK/xtime"
}

floor_cat()
{
    /usr/bin/time -f '%e' -o "$WORK/ftime" script -q -c "cat '$TEXT'" /dev/null > /dev/null
    cat "$WORK/ftime"
}

echo "== cat of 20 MB of text, $ROUNDS rounds (seconds, peak RSS KiB)"
for size in "80 25" "160 50"; do
    set -- $size
    : > "$WORK/px_on"; : > "$WORK/px_off"; : > "$WORK/xterm"; : > "$WORK/floor"
    for _ in $(seq "$ROUNDS"); do
        px_cat "$1" "$2" on >> "$WORK/px_on"
        xterm_cat "$1" "$2" >> "$WORK/xterm"
        px_cat "$1" "$2" off >> "$WORK/px_off"
        floor_cat >> "$WORK/floor"
    done
    printf '%sx%s  px (scroll-back on)  %s s  %s KiB\n' "$1" "$2" "$(cut -d' ' -f1 "$WORK/px_on" | median)" \
        "$(cut -d' ' -f2 "$WORK/px_on" | median)"
    printf '%sx%s  px (scroll-back off) %s s  %s KiB\n' "$1" "$2" "$(cut -d' ' -f1 "$WORK/px_off" | median)" \
        "$(cut -d' ' -f2 "$WORK/px_off" | median)"
    printf '%sx%s  xterm -fn fixed      %s s  %s KiB\n' "$1" "$2" "$(cut -d' ' -f1 "$WORK/xterm" | median)" \
        "$(cut -d' ' -f2 "$WORK/xterm" | median)"
    printf '%sx%s  pty alone (script)   %s s\n' "$1" "$2" "$(median < "$WORK/floor")"
done

echo "== delays until the panels are back (seconds)"
start_px 80 25 on
for what in "sleep 30" "yes"; do
    : > "$WORK/delays"
    for _ in $(seq "$ROUNDS"); do
        px_command "$what"
        wait_title "$what"
        sleep 1
        t0=$(now)
        xdotool key ctrl+c
        wait_panels
        t1=$(now)
        echo "$t1 - $t0" | bc >> "$WORK/delays"
    done
    printf 'Ctrl+C on %-10s %s\n' "$what" "$(median < "$WORK/delays")"
done
cat > "$WORK/flood.py" <<'PY'
import os, select, tty
tty.setraw(0)
line = b'flood flood flood flood flood flood flood flood flood flood flood flood\r\n' * 50
while True:
    os.write(1, line)
    if select.select([0], [], [], 0)[0] and os.read(0, 1) == b'\x1b':
        break
PY
: > "$WORK/delays"
for _ in $(seq "$ROUNDS"); do
    px_command "python3 flood.py; stty sane"
    wait_title "python3 flood.py"
    sleep 1
    t0=$(now)
    xdotool key Escape
    wait_panels
    t1=$(now)
    echo "$t1 - $t0" | bc >> "$WORK/delays"
done
printf 'Esc on the flood script %s\n' "$(median < "$WORK/delays")"

stop_px

echo "== memory during 10 s of yes (KiB)"
start_px 80 25 on
before=$(awk '/VmRSS/ {print $2}' "/proc/$PXPID/status")
px_command "yes"
wait_title "yes"
sleep 10
during=$(awk '/VmRSS/ {print $2}' "/proc/$PXPID/status")
xdotool key ctrl+c
wait_panels
# The cap: 10,000 lines of 80 cells of 8 bytes, and 20 MiB besides.
limit=$((10000 * 80 * 8 / 1024 + 20 * 1024))
echo "before $before, after 10 s $during, grown $((during - before)), allowed $limit"
stop_px
