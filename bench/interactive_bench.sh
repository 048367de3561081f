#!/usr/bin/env bash
# Interactive run against unattended run, on generated ERPs, driving the real
# program: for each article count, generates a demo ERP, times
# `vorencomendas /S`, then starts the program's window under Xvfb with
# openbox, clicks "&Sincronizar" with xdotool and times the run until the
# log's "Emissão Mapas terminada"; then how long the proposal window took to
# appear after it. Prints both times and their ratio per size.
#   bench/interactive_bench.sh [build dir] [articles...]   (build, 20000)
# Needs xvfb, openbox, xdotool and x11-utils (xdpyinfo).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
shift || true
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(20000)
program=$build/vorencomendas
generator=$build/tools/vor-demo-erp
for p in "$program" "$generator"; do
  [ -x "$p" ] || { echo "interactive_bench: build first: $p" >&2; exit 2; }
done

work=$(mktemp -d)
display=:$((200 + RANDOM % 100))
cleanup() {
  [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "${wm_pid:-}" ] && kill "$wm_pid" 2>/dev/null || true
  [ -n "${x_pid:-}" ] && kill "$x_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
x_pid=$!
for _ in $(seq 50); do
  DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
DISPLAY=$display openbox >/dev/null 2>&1 &
wm_pid=$!
sleep 1

now() { date +%s.%N; }
finished() { cat "$1"/log/LOG_VOR_ENC*.txt 2>/dev/null | grep -c "Emissão Mapas terminada" || true; }

printf '%8s %10s %13s %7s %16s\n' articles silent_s interactive_s ratio proposal_open_s
for n in "${sizes[@]}"; do
  site=$work/$n
  mkdir -p "$site/zoltix" "$site/log"
  "$generator" --articles "$n" --seed 20240 "$site/erp.db" >/dev/null
  printf '%s\r\n' '[BD]' 'Servidor=sqlite' "BaseDados=$site/erp.db" \
    'Utilizador=bench' 'Password=' '[Log]' "Directoria=$site/log" \
    >"$site/zoltix/VOREncomendas.zlx"

  t0=$(now)
  VOR_BASE_DIR=$site "$program" /S
  t1=$(now)
  silent=$(echo "$t1 - $t0" | bc -l)

  before=$(finished "$site")
  DISPLAY=$display VOR_BASE_DIR=$site QT_QPA_PLATFORM=xcb "$program" &
  app_pid=$!
  wid=$(DISPLAY=$display xdotool search --sync --onlyvisible --name '^VORencomendas$' | head -1)
  sleep 0.5
  t2=$(now)
  # "&Sincronizar": 0,152 87x29 pixels in the client area.
  DISPLAY=$display xdotool mousemove --window "$wid" 43 166 click 1
  while [ "$(finished "$site")" -le "$before" ]; do sleep 0.02; done
  t3=$(now)
  while ! DISPLAY=$display xdotool search --onlyvisible --name 'Proposta de encomendas' >/dev/null 2>&1; do
    sleep 0.02
  done
  t4=$(now)
  kill "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=
  interactive=$(echo "$t3 - $t2" | bc -l)
  printf '%8d %10.2f %13.2f %7.2f %16.2f\n' "$n" "$silent" "$interactive" \
    "$(echo "$interactive / $silent" | bc -l)" "$(echo "$t4 - $t3" | bc -l)"
done
