#!/usr/bin/env bash
# How the silent run grows with the catalogue: at each size (default 50 000
# and 200 000 generated articles) one run without a report, read with the
# default of SQLite (Conjunto), its wall time and its peak resident size
# (/usr/bin/time -v), per article too, and the time per article against the
# first size's.
#   bench/scale_bench.sh [build dir] [sizes...]
#   bench/scale_bench.sh build 50000 200000
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
for n in "${sizes[@]}"; do
  erp=$work/erp_$n.db
  "$generator" --articles "$n" --seed 2026 "$erp" >/dev/null
  mkdir -p "$work/zoltix" "$work/log"
  printf '%s\r\n' '[BD]' 'Servidor=sqlite' "BaseDados=$erp" 'Utilizador=b' \
    'Password=' '[Log]' "Directoria=$work/log" >"$work/zoltix/VOREncomendas.zlx"
  VOR_BASE_DIR=$work /usr/bin/time -v "$program" /S 2>"$work/time.txt" ||
    { cat "$work/time.txt" >&2; exit 1; }
  kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' \
    "$work/time.txt")
  read -r seconds per_article_us <<<"$(/usr/bin/python3 - "$wall" "$n" <<'PY'
import sys
parts = [float(p) for p in sys.argv[1].split(":")]
s = 0.0
for p in parts:
    s = s * 60 + p
print("%.2f %.3f" % (s, s * 1e6 / int(sys.argv[2])))
PY
)"
  [ -n "$first_us" ] || first_us=$per_article_us
  ratio=$(/usr/bin/python3 -c "print('%.2f' % ($per_article_us / $first_us))")
  printf '%-9s %8ss %11d %12d %16s\n' "$n" "$seconds" $((kb / 1024)) \
    $((kb * 1024 / n)) "$ratio"
done
