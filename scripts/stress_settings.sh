#!/usr/bin/env bash
# Puts the settings file under stress from outside, the way a crash or a second copy of
# the program would, and counts what went wrong:
#  1. a writing process (tests/settings_writer, one key per write) is killed with SIGKILL
#     at a random moment, again and again; after every kill the file must be whole, every
#     key the writer had reported written must be there, and at most one temporary file
#     may lie beside it (and none once the next write is done);
#  2. two processes write 1000 keys each into one file at the same time: none may be lost.
# Not part of the normal test run; takes a few minutes.
# Usage: scripts/stress_settings.sh [kills, default 300] [folder for the files, default $TMPDIR]
set -euo pipefail
cd "$(dirname "$0")/.."
kills=${1:-300}
base=${2:-${TMPDIR:-/tmp}}
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target settings_writer >/dev/null
writer=$PWD/build/tests/settings_writer

work=$(mktemp -d "$base/halvion-stress-XXXXXX")
trap 'rm -rf "$work"' EXIT
file=$work/ini/Halvion.ini
mkdir "$work/ini"
# A file of some size, so that a kill often lands inside a write.
pad=$(printf 'x%.0s' {1..80})
{
    echo "[Halvion]"
    for i in $(seq 0 499); do echo "pad$i=$pad"; done
} >"$file"

# Exit 0 when the file is whole: the header, the 500 padding lines, well-formed keys
# (kN=vN, AN=vN, BN=vN) only, a line break at the end.
whole() {
    [ -z "$(tail -c 1 "$file")" ] || return 1
    awk 'NR == 1 { if ($0 != "[Halvion]") bad = 1; next }
         /^pad[0-9]+=x+$/ { if (length($0) < 85) bad = 1; pads++; next }
         /^[kAB][0-9]+=v[0-9]+$/ { split($0, kv, "="); if (substr(kv[1], 2) != substr(kv[2], 2)) bad = 1; next }
         { bad = 1 }
         END { exit (bad || pads != 500) }' "$file"
}

# How many of the keys listed (one number a line) in $1 with prefix $2 are not in the file.
missing() {
    awk -v prefix="$2" 'FNR == NR { have[$0] = 1; next }
                        !((prefix $1 "=v" $1) in have) { lost++ }
                        END { print lost + 0 }' "$file" "$1"
}

# Names beside the settings file, apart from the file itself.
others() {
    find "$work/ini" -mindepth 1 ! -name Halvion.ini -printf '%f\n'
}

confirmed=$work/confirmed
: >"$confirmed"
next=0 torn=0 lost=0 strays=0 maxTemp=0 leftTemp=0 leftLock=0
for ((k = 1; k <= kills; k++)); do
    "$writer" "$file" k "$next" 1000000 >"$work/progress" 2>/dev/null &
    pid=$!
    sleep "0.$((RANDOM % 2))$((RANDOM % 10))" # 0 to 190 ms: before, during or between writes
    kill -KILL "$pid"
    wait "$pid" 2>/dev/null || true
    cat "$work/progress" >>"$confirmed"
    last=$(tail -n 1 "$work/progress")
    [ -n "$last" ] && next=$((last + 1))

    whole || torn=$((torn + 1))
    temps=$(others | grep -cx 'Halvion.ini.tmp' || true)
    locks=$(others | grep -cx 'Halvion.ini.lock' || true)
    unknown=$(others | grep -vcx -e 'Halvion.ini.tmp' -e 'Halvion.ini.lock' || true)
    strays=$((strays + unknown))
    leftTemp=$((leftTemp + temps))
    leftLock=$((leftLock + locks))
    [ "$temps" -gt "$maxTemp" ] && maxTemp=$temps
done
lost=$(missing "$confirmed" k)
written=$(wc -l <"$confirmed")

# One write run to its end clears what the kills left.
"$writer" "$file" k "$next" 1 >/dev/null
afterwards=$(others | wc -l)

echo "kills: $kills, writes reported done before the kills: $written"
echo "lost keys: $lost"
echo "torn files: $torn"
echo "kills that left a temporary file: $leftTemp (at most $maxTemp at a time); lock files left: $leftLock; other files: $strays"
echo "temporary or lock files left after the next write: $afterwards"

# Two writers at once.
for p in A B; do
    seq 0 999 >"$work/keys$p"
    "$writer" "$file" "$p" 0 1000 >/dev/null 2>&1 &
done
wait
twoLost=$(($(missing "$work/keysA" A) + $(missing "$work/keysB" B)))
echo "two writers x 1000 keys: $twoLost of 2000 keys missing"
whole || { echo "file not whole after two writers"; torn=$((torn + 1)); }

faults=$((lost + torn + strays + afterwards + twoLost))
[ "$maxTemp" -gt 1 ] && faults=$((faults + 1))
[ "$faults" -eq 0 ] && echo "no faults" || { echo "FAULTS"; exit 1; }
