#!/usr/bin/env bash
# How the silent run grows with the catalogue: at each size (default 50 000
# and 200 000 generated articles) runs without a report, read with the
# default of SQLite (Conjunto), each on a fresh copy of the generated ERP:
# the best wall time of VOR_SCALE_RUNS runs (default 3) and the largest
# peak resident size (/usr/bin/time -v), per article too, and the time per
# article against the first size's. The load average is printed last: on a
# shared machine the times are only comparable at a like load.
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

printf '%-9s %9s %11s %12s %16s\n' articles wall peak_MB bytes/article \
  time/article_x
first_us=""
runs=${VOR_SCALE_RUNS:-3}
for n in "${sizes[@]}"; do
  generated=$work/generated_$n.db
  erp=$work/erp.db
  "$generator" --articles "$n" --seed 2026 "$generated" >/dev/null
  mkdir -p "$work/zoltix" "$work/log"
  printf '%s\r\n' '[BD]' 'Servidor=sqlite' "BaseDados=$erp" 'Utilizador=b' \
    'Password=' '[Log]' "Directoria=$work/log" >"$work/zoltix/VOREncomendas.zlx"
  kb=0
  walls=()
  for ((run = 0; run < runs; run++)); do
    cp "$generated" "$erp"
    rm -f "$work"/log/*
    VOR_BASE_DIR=$work /usr/bin/time -v "$program" /S 2>"$work/time.txt" ||
      { cat "$work/time.txt" >&2; exit 1; }
    run_kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' \
      "$work/time.txt")
    [ "$run_kb" -gt "$kb" ] && kb=$run_kb
    walls+=("$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' \
      "$work/time.txt")")
  done
  rm -f "$generated"
  read -r seconds per_article_us <<<"$(/usr/bin/python3 - "$n" "${walls[@]}" <<'PY'
import sys
def seconds(wall):
    s = 0.0
    for p in wall.split(":"):
        s = s * 60 + float(p)
    return s
s = min(seconds(w) for w in sys.argv[2:])
print("%.2f %.3f" % (s, s * 1e6 / int(sys.argv[1])))
PY
)"
  [ -n "$first_us" ] || first_us=$per_article_us
  ratio=$(/usr/bin/python3 -c "print('%.2f' % ($per_article_us / $first_us))")
  printf '%-9s %8ss %11d %12d %16s\n' "$n" "$seconds" $((kb / 1024)) \
    $((kb * 1024 / n)) "$ratio"
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
