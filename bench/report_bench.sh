#!/usr/bin/env bash
# What the morning report costs: at each size (default 5 000, 20 000 and
# 50 000 generated articles, bulk reading) the silent run without a report,
# with the e-mail to a real local mail server (testing/smtp_sink.py), with
# the workbook dropped in a folder, and with both; then the sizes of the
# last message, of its HTML part and of its plain-text part. Each figure is
# the best of the runs made (default 3) of that configuration, as wall time
# and as processor time (user + system, /usr/bin/time), the second being the
# steadier one on a machine shared with other work; every run keeps its
# history, as the program does where zlx_VOR_Historico exists. "+both" is
# what the e-mail and the file together add to the silent run, as a share
# and in seconds.
#   bench/report_bench.sh [build dir] [sizes...]
#   REPEAT=3 bench/report_bench.sh build 20000
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(5000 20000 50000)
repeat=${REPEAT:-3}
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

# The server keeps each message as it comes and answers at once, as a mail
# server that queues it does; the last one is taken apart at the end.
/usr/bin/python3 "$root/testing/smtp_sink.py" --folder "$work/mail" \
  --port-file "$work/port" --raw &
sink_pid=$!
for _ in $(seq 600); do [ -s "$work/port" ] && break; sleep 0.1; done
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

# best <erp> <mail> <file>: the best wall time and the best processor time
# of $repeat runs, in seconds ("wall cpu").
best() {
  settings "$@"
  local best_wall="" best_cpu=""
  for _ in $(seq "$repeat"); do
    # Each run drops into an empty folder and the earlier runs' files stay
    # (moved aside) until the end, as yesterday's stay in a real folder:
    # ext4 without a journal passes over every inode freed in the last
    # minutes each time it makes a file, so deleting a thousand order files
    # just before a run would charge that run a second or so for them.
    if [ -d "$work/drop" ]; then
      mv "$work/drop" "$(mktemp -d "$work/old.XXXXXX")/"
      mkdir "$work/drop"
    fi
    VOR_BASE_DIR=$work /usr/bin/time -f '%e %U %S' -o "$work/time" \
      "$program" /S || { echo "run failed" >&2; exit 1; }
    local wall cpu
    read -r wall cpu <<<"$(awk '{printf "%.2f %.2f", $1, $2 + $3}' "$work/time")"
    if [ -z "$best_wall" ] || awk "BEGIN{exit !($wall < $best_wall)}"; then
      best_wall=$wall
    fi
    if [ -z "$best_cpu" ] || awk "BEGIN{exit !($cpu < $best_cpu)}"; then
      best_cpu=$cpu
    fi
  done
  echo "$best_wall $best_cpu"
}

printf '%-9s %15s %15s %15s %15s %13s %13s %8s %7s %7s\n' articles \
  "silent wall/cpu" "e-mail" "file" "both" "+both wall/cpu" "+both seconds" \
  message html text
for n in "${sizes[@]}"; do
  erp=$work/erp_$n.db
  "$generator" --articles "$n" --seed 2026 "$erp" >/dev/null
  read -r silent silent_cpu <<<"$(best "$erp" 0 0)"
  read -r mail mail_cpu <<<"$(best "$erp" 1 0)"
  read -r file file_cpu <<<"$(best "$erp" 0 1)"
  read -r both both_cpu <<<"$(best "$erp" 1 1)"
  last=$(ls "$work/mail"/*.eml | sort -V | tail -n 1)
  sizes_line=$(/usr/bin/python3 - "$last" <<'PY'
import email, email.policy, os, sys
message = email.message_from_bytes(open(sys.argv[1], "rb").read(),
                                   policy=email.policy.default)
def size(kind):
    part = message.get_body(preferencelist=(kind,))
    return len(part.get_content().encode()) if part else 0
print("%d %d %d" % (os.path.getsize(sys.argv[1]), size("html"), size("plain")))
PY
)
  read -r message html text <<<"$sizes_line"
  extra=$(/usr/bin/python3 -c "print('%.0f%%/%.0f%%' % (100 * ($both / $silent - 1), 100 * ($both_cpu / $silent_cpu - 1)))")
  added=$(/usr/bin/python3 -c "print('%.2f/%.2fs' % ($both - $silent, $both_cpu - $silent_cpu))")
  printf '%-9s %15s %15s %15s %15s %13s %13s %7dK %6dK %6dK\n' "$n" \
    "${silent}/${silent_cpu}s" "${mail}/${mail_cpu}s" "${file}/${file_cpu}s" \
    "${both}/${both_cpu}s" "$extra" "$added" $((message / 1024)) \
    $((html / 1024)) $((text / 1024))
done
