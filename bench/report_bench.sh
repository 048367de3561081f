#!/usr/bin/env bash
# What the morning report costs: at each size (default 5 000, 20 000 and
# 50 000 generated articles, bulk reading) the silent run without a report,
# with the e-mail to a real local mail server (testing/smtp_sink.py), with
# the workbook dropped in a folder, and with both; then the sizes of the
# last message, of its HTML part and of its plain-text part. Each figure is
# the best of the runs made (default 2) of that configuration; every run
# keeps its history, as the program does where zlx_VOR_Historico exists.
#   bench/report_bench.sh [build dir] [sizes...]
#   REPEAT=3 bench/report_bench.sh build 20000
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(5000 20000 50000)
repeat=${REPEAT:-2}
program=$build/vorencomendas
generator=$build/tools/vor-demo-erp
[ -x "$generator" ] || generator=$build/vor-demo-erp
work=$(mktemp -d /tmp/vor_report_bench.XXXXXX)
sink_pid=""
cleanup() {
  [ -n "$sink_pid" ] && kill "$sink_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

/usr/bin/python3 "$root/testing/smtp_sink.py" --folder "$work/mail" \
  --port-file "$work/port" &
sink_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")

# settings <erp> <mail: 0|1> <file: 0|1>
settings() {
  mkdir -p "$work/zoltix" "$work/log" "$work/drop"
  {
    printf '%s\r\n' '[BD]' 'Servidor=sqlite' "BaseDados=$1" 'Utilizador=b' \
      'Password=' '[Motor]' 'Leitura=Conjunto' '[Log]' "Directoria=$work/log"
    [ "$3" = 1 ] && printf '%s\r\n' '[Relatorio]' "Pasta=$work/drop"
    if [ "$2" = 1 ]; then
      printf '%s\r\n' '[email]' 'Destino=compras@empresa.pt' '[SMTP]' \
        'Servidor=127.0.0.1' "Porta=$port" 'Seguranca=Nenhuma' \
        'emailEmissor=vor@empresa.pt'
    fi
  } >"$work/zoltix/VOREncomendas.zlx"
}

# best <erp> <mail> <file>: the best wall time of $repeat runs, in seconds.
best() {
  settings "$@"
  local best_ms=""
  for _ in $(seq "$repeat"); do
    rm -rf "$work/drop"/*
    local start end ms
    start=$(date +%s%N)
    VOR_BASE_DIR=$work "$program" /S || { echo "run failed" >&2; exit 1; }
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 ))
    if [ -z "$best_ms" ] || [ "$ms" -lt "$best_ms" ]; then best_ms=$ms; fi
  done
  printf '%d.%03d' $((best_ms / 1000)) $((best_ms % 1000))
}

printf '%-9s %9s %9s %9s %9s %8s %10s %10s %10s\n' articles silent e-mail \
  file both "+both%" message html text
for n in "${sizes[@]}"; do
  erp=$work/erp_$n.db
  "$generator" --articles "$n" --seed 2026 "$erp" >/dev/null
  silent=$(best "$erp" 0 0)
  mail=$(best "$erp" 1 0)
  file=$(best "$erp" 0 1)
  both=$(best "$erp" 1 1)
  last=$(ls "$work/mail"/*.eml | sort -V | tail -n 1)
  sizes_line=$(/usr/bin/python3 - "$last" "${last%.eml}.json" <<'PY'
import json, os, sys
record = json.load(open(sys.argv[2]))
print("%d %d %d" % (os.path.getsize(sys.argv[1]),
                    len(record["html"].encode()), len(record["text"].encode())))
PY
)
  read -r message html text <<<"$sizes_line"
  extra=$(/usr/bin/python3 -c "print('%.1f' % (100 * ($both / $silent - 1)))")
  printf '%-9s %8ss %8ss %8ss %8ss %7s%% %9dK %9dK %9dK\n' "$n" "$silent" \
    "$mail" "$file" "$both" "$extra" $((message / 1024)) $((html / 1024)) \
    $((text / 1024))
done
