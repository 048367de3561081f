#!/usr/bin/env bash
# How the silent run grows with the catalogue: at each size (default 50 000
# and 200 000 generated articles) runs without a report, read with the
# default of SQLite (Conjunto), each on a fresh copy of the generated ERP.
# The sizes take turns, VOR_SCALE_RUNS rounds (default 3) of one run of
# each, so that a slow spell of a shared machine falls on both. Printed per
# size: the best wall time and the best processor time (user + system), the
# largest peak resident size (/usr/bin/time -v), per article too; both best
# times per article against the first size's; and, steadier, the median
# over the rounds of each round's processor time per article against the
# first size's in the same round (cpu/art_x_round). The load average is
# printed last: the wall times are only comparable at a like load.
#   bench/scale_bench.sh [build dir] [sizes...]
#   VOR_SCALE_RUNS=5 bench/scale_bench.sh build 50000 200000
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(50000 200000)
program=$build/vorencomendas
generator=$build/tools/vor-demo-erp
[ -x "$generator" ] || generator=$build/vor-demo-erp
work=$(mktemp -d /tmp/vor_scale_bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

erp=$work/erp.db
mkdir -p "$work/zoltix" "$work/log"
printf '%s\r\n' '[BD]' 'Servidor=sqlite' "BaseDados=$erp" 'Utilizador=b' \
  'Password=' '[Log]' "Directoria=$work/log" >"$work/zoltix/VOREncomendas.zlx"
for n in "${sizes[@]}"; do
  "$generator" --articles "$n" --seed 2026 "$work/generated_$n.db" >/dev/null
done

# One line per run: size, round, wall (h:mm:ss or m:ss), user+system, KB.
results=$work/results.txt
runs=${VOR_SCALE_RUNS:-3}
for ((run = 0; run < runs; run++)); do
  for n in "${sizes[@]}"; do
    cp "$work/generated_$n.db" "$erp"
    rm -f "$work"/log/*
    VOR_BASE_DIR=$work /usr/bin/time -v "$program" /S 2>"$work/time.txt" ||
      { cat "$work/time.txt" >&2; exit 1; }
    printf '%s %s %s %s+%s %s\n' "$n" "$run" \
      "$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' \
        "$work/time.txt")" \
      "$(sed -n 's/.*User time (seconds): //p' "$work/time.txt")" \
      "$(sed -n 's/.*System time (seconds): //p' "$work/time.txt")" \
      "$(sed -n 's/.*Maximum resident set size (kbytes): //p' \
        "$work/time.txt")" >>"$results"
  done
done

/usr/bin/python3 - "$results" "${sizes[@]}" <<'PY'
import statistics
import sys

def seconds(wall):
    s = 0.0
    for p in wall.split(":"):
        s = s * 60 + float(p)
    return s

sizes = [int(n) for n in sys.argv[2:]]
runs = {}  # (size, round) -> (wall, cpu, kb)
for line in open(sys.argv[1]):
    n, r, wall, cpu, kb = line.split()
    runs[(int(n), int(r))] = (seconds(wall),
                              sum(float(t) for t in cpu.split("+")), int(kb))
rounds = sorted({r for (_, r) in runs})
first = sizes[0]
print("%-9s %9s %9s %9s %14s %12s %11s %17s" % (
    "articles", "wall", "cpu", "peak_MB", "bytes/article", "wall/art_x",
    "cpu/art_x", "cpu/art_x_round"))
best = {n: (min(runs[(n, r)][0] for r in rounds),
            min(runs[(n, r)][1] for r in rounds)) for n in sizes}
for n in sizes:
    kb = max(runs[(n, r)][2] for r in rounds)
    wall, cpu = best[n]
    per_round = statistics.median(
        (runs[(n, r)][1] / n) / (runs[(first, r)][1] / first) for r in rounds)
    print("%-9d %8.2fs %8.2fs %9d %14d %12.2f %11.2f %17.3f" % (
        n, wall, cpu, kb // 1024, kb * 1024 // n,
        (wall / n) / (best[first][0] / first),
        (cpu / n) / (best[first][1] / first), per_round))
PY
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
