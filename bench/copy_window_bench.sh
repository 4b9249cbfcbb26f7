#!/bin/bash
# One 2 GiB F5 in the real px window beside the same copy headless (the
# copy routine with its progress window drawn into a console without a
# window, copy_move_bench --one), rounds alternating, on the file system of
# DIR. The window's time runs from the Return that starts the copy to the
# snapshot of the panels with the copy in place; px's own (PX_RUN_TIMES)
# from the start of the copy's work to its end, as the headless figure.
# Needs px and the benchmarks built (-DPANNEX_BUILD_BENCH=ON), Xvfb, xdotool.
#
#     bench/copy_window_bench.sh BUILD DIR [SOURCE] [ROUNDS]
set -u

BUILD=$(cd "${1:?build dir}" && pwd)
DIR=${2:?a directory on the file system to measure}
PX=$BUILD/app/px
HEADLESS=$BUILD/bench/copy_move_bench
ROUNDS=${4:-3}
WORK=$(mktemp -d "$DIR/pxcopywin.XXXXXX")
XVFB=
PXPID=

cleanup()
{
    [ -n "$PXPID" ] && kill "$PXPID" 2>/dev/null
    [ -n "$XVFB" ] && kill "$XVFB" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

mkdir -p "$WORK/src" "$WORK/dst" "$WORK/home/.pxl"
SRC=$WORK/src/big
if [ -n "${3:-}" ]; then ln "$3" "$SRC" 2>/dev/null || cp "$3" "$SRC"; else head -c 2G /dev/urandom > "$SRC"; fi

Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp 4>"$WORK/display" 2>/dev/null &
XVFB=$!
for _ in $(seq 200); do [ -s "$WORK/display" ] && break; sleep 0.05; done
export DISPLAY=:$(head -1 "$WORK/display")
export LC_ALL=C.UTF-8 TZ=UTC

median()
{
    sort -g | awk '{a[NR]=$1} END {if (NR % 2) print a[(NR+1)/2]; else print (a[NR/2]+a[NR/2+1])/2}'
}

seq_of() { head -1 "$WORK/dump" 2>/dev/null | awk '{print $2}'; }

# Memory handed back, the source warm, everything written, a pause.
prepare()
{
    python3 -c 'b = bytearray(2 << 30); b[::4096] = b"\1" * len(b[::4096])' 2>/dev/null
    cat "$SRC" > /dev/null
    sync
    sleep 2
}

: > "$WORK/home/.pxl/px.ini"
(cd "$WORK" && HOME=$WORK/home PX_SCREEN_DUMP=$WORK/dump PX_RUN_TIMES=$WORK/times exec "$PX" -l "$WORK/src" -r "$WORK/dst") &
PXPID=$!
WIN=$(xdotool search --sync --onlyvisible --name Pannex | head -1)
xdotool windowfocus --sync "$WIN"
for _ in $(seq 2000); do grep -q ' big ' "$WORK/dump" 2>/dev/null && break; sleep 0.01; done
xdotool key --window "$WIN" Home Down

window_copy()
{
    xdotool key --window "$WIN" F5
    for _ in $(seq 2000); do grep -q 'Copy "big" to' "$WORK/dump" && break; sleep 0.005; done
    before=$(seq_of)
    t0=$EPOCHREALTIME
    xdotool key --window "$WIN" Return
    # Done: a later snapshot without the dialog, the copy whole on disk.
    while :; do
        s=$(seq_of)
        if [ -n "$s" ] && [ "$s" -gt "$before" ] && ! grep -q 'Copy "big" to\|Copying' "$WORK/dump" &&
           [ "$(stat -c %s "$WORK/dst/big" 2>/dev/null)" = "$(stat -c %s "$SRC")" ]; then break; fi
        sleep 0.002
    done
    t1=$EPOCHREALTIME
    win+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN{print b-a}')")
    # px's own time of the copy (PX_RUN_TIMES), without the keys and the
    # snapshot polling of this script.
    own+=("$(tail -1 "$WORK/times")")
    cmp -s "$SRC" "$WORK/dst/big" || echo "the window's copy differs" >&2
}

headless_copy()
{
    head+=("$("$HEADLESS" --one "$SRC" "$WORK/dst/headless")")
}

# Both targets go before each round; the side that copies first (right
# after that deletion) alternates.
win=() head=() own=()
for r in $(seq "$ROUNDS"); do
    rm -f "$WORK/dst/big" "$WORK/dst/headless"
    if [ $((r % 2)) = 1 ]; then
        prepare; window_copy; prepare; headless_copy
    else
        prepare; headless_copy; prepare; window_copy
    fi
    echo "round $r: window ${win[-1]} s (px's own ${own[-1]} s), headless ${head[-1]} s"
done
W=$(printf '%s\n' "${win[@]}" | median)
H=$(printf '%s\n' "${head[@]}" | median)
O=$(printf '%s\n' "${own[@]}" | median)
printf 'F5 of %d MiB: window %.3f s, headless %.3f s, ratio %.3f (aim within 3%%)\n' \
    "$(( $(stat -c %s "$SRC") >> 20 ))" "$W" "$H" \
    "$(awk -v a="$W" -v b="$H" 'BEGIN{print a/b}')"
printf "the same, px's own time in the window: %.3f s, ratio %.3f\n" "$O" "$(awk -v a="$O" -v b="$H" 'BEGIN{print a/b}')"
xdotool key --window "$WIN" F10 Return 2>/dev/null
