#!/usr/bin/env bash
# Pictures of the windows for the README: starts a virtual X server (Xvfb)
# with a window manager, builds a small demo installation and runs
# vor-screenshots, which writes the PNG files into the output folder.
#   docs/screenshots/screenshots.sh [build dir] [output folder]   (defaults: build docs)
# Needs the packages xvfb and openbox (installed when missing).
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(cd "${1:-build}" && pwd)
mkdir -p "${2:-docs}"
out=$(cd "${2:-docs}" && pwd)

need=()
command -v Xvfb >/dev/null || need+=(xvfb)
command -v openbox >/dev/null || need+=(openbox)
if [ ${#need[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}"
fi
shooter=$build/docs/screenshots/vor-screenshots
generator=$build/tools/vor-demo-erp
for p in "$shooter" "$generator"; do
  [ -x "$p" ] || { echo "screenshots: build first (./build.sh build): $p" >&2; exit 2; }
done

site=$(mktemp -d)
display=:$((90 + RANDOM % 100))
cleanup() {
  [ -n "${wm_pid:-}" ] && kill "$wm_pid" 2>/dev/null || true
  [ -n "${x_pid:-}" ] && kill "$x_pid" 2>/dev/null || true
  rm -rf "$site"
}
trap cleanup EXIT

mkdir -p "$site/zoltix" "$site/log"
"$generator" --articles 300 --seed 20240 "$site/erp.db" >/dev/null
printf '%s\r\n' '[BD]' 'Servidor=sqlite' "BaseDados=$site/erp.db" \
  'Utilizador=demo' 'Password=' '[Log]' 'Directoria=/var/log/vorencomendas' \
  '[email]' 'Assunto=Proposta de encomendas' \
  '[SMTP]' 'Servidor=smtp.empresa.pt' 'Porta=587' 'Seguranca=STARTTLS' \
  'Utilizador=compras' 'emailEmissor=compras@empresa.pt' \
  'NomeEmissor=Compras' >"$site/zoltix/VOREncomendas.zlx"
# The run's log goes to the site; the settings window shows the folder above.
sed -i "s#^Directoria=.*#Directoria=$site/log\r#" "$site/zoltix/VOREncomendas.zlx"

# Earlier mornings for the history: silent runs on an ERP whose stocks move
# a little each day, each run then moved one day back, so that the proposal
# window has a previous run to compare with and the panel a chart.
command -v sqlite3 >/dev/null || need_sqlite=1
if [ -z "${need_sqlite:-}" ] && [ -x "$build/vorencomendas" ]; then
  day_back="cast(strftime('%Y%m%d%H%M%S', printf('%s-%s-%s %s:%s:%s',
    substr(k,1,4), substr(k,5,2), substr(k,7,2), substr(k,9,2),
    substr(k,11,2), substr(k,13,2)), '-1 day') as integer)"
  for day in 1 2 3 4 5 6 7 8; do
    VOR_BASE_DIR=$site "$build/vorencomendas" /S >/dev/null || true
    sqlite3 "$site/erp.db" "
      update zlx_VOR_Historico set Execucao = (select $day_back from
        (select cast(zlx_VOR_Historico.Execucao as text) as k));
      update ARTIGOS set stdisp = stdisp + ((rowid * $day) % 17) - 9
        where stdisp is not null;"
  done
fi

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
x_pid=$!
for _ in $(seq 50); do
  DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
DISPLAY=$display openbox >/dev/null 2>&1 &
wm_pid=$!
sleep 1

DISPLAY=$display QT_QPA_PLATFORM=xcb VOR_BASE_DIR=$site "$shooter" "$out"
