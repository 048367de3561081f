#!/usr/bin/env bash
# The demonstration: generates a demo ERP of about 500 articles, runs an
# unattended proposal on it with the built program, and prints a summary of
# the result table.
#   tools/demo.sh <build dir>      (./build.sh demo calls it with build/)
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 <build dir>" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
program=$build/vorencomendas
generator=""
for g in "$build/tools/vor-demo-erp" "$build/vor-demo-erp"; do
  if [ -x "$g" ]; then generator=$g; break; fi
done
if [ ! -x "$program" ] || [ -z "$generator" ]; then
  echo "demo: build the program first (./build.sh build): missing" \
    "$( [ -x "$program" ] || echo "$program" ) $( [ -n "$generator" ] || echo vor-demo-erp )" >&2
  exit 2
fi
command -v sqlite3 >/dev/null || { echo "demo: sqlite3 is needed" >&2; exit 2; }

demo=$build/demo
erp=$demo/erp.db
logdir=$demo/log
rm -rf "$demo"
mkdir -p "$demo/zoltix" "$logdir"

echo "== Demo ERP"
"$generator" --articles 500 --seed 20240 "$erp"

# The morning report: a local mail server (testing/smtp_sink.py, aiosmtpd)
# keeps every message in $demo/mail; the workbook also goes to
# $demo/relatorios. Without aiosmtpd only the file is written.
mail=$demo/mail
reports=$demo/relatorios
mkdir -p "$reports"
sink_pid=""
stop_sink() { [ -n "$sink_pid" ] && kill "$sink_pid" 2>/dev/null || true; }
trap stop_sink EXIT
smtp_port=""
if /usr/bin/python3 -c 'import aiosmtpd' 2>/dev/null; then
  /usr/bin/python3 "$(dirname "$0")/../testing/smtp_sink.py" \
    --folder "$mail" --port-file "$demo/smtp_port" &
  sink_pid=$!
  for _ in $(seq 100); do
    [ -f "$demo/smtp_port" ] && break
    sleep 0.1
  done
  smtp_port=$(cat "$demo/smtp_port" 2>/dev/null || true)
fi

# Settings file: embedded SQLite login, log folder, report subject,
# recipients and mail server, report folder.
{
  printf '%s\r\n' \
    '[BD]' \
    'Servidor=sqlite' \
    "BaseDados=$erp" \
    'Utilizador=demo' \
    'Password=' \
    '[Log]' \
    "Directoria=$logdir" \
    '[Relatorio]' \
    "Pasta=$reports" \
    '[email]' \
    'Assunto=Proposta de encomendas (demonstração)'
  if [ -n "$smtp_port" ]; then
    printf '%s\r\n' \
      'Destino=compras@empresa.pt; armazem@empresa.pt' \
      '[SMTP]' \
      'Servidor=127.0.0.1' \
      "Porta=$smtp_port" \
      'Seguranca=Nenhuma' \
      'emailEmissor=vorencomendas@empresa.pt' \
      'NomeEmissor=VORencomendas Fábrica'
  fi
} >"$demo/zoltix/VOREncomendas.zlx"

echo
echo "== Unattended run: VOR_BASE_DIR=$demo $program /S"
start=$(date +%s%N)
set +e
VOR_BASE_DIR=$demo "$program" /S
rc=$?
set -e
end=$(date +%s%N)
log=$(ls "$logdir"/LOG_VOR_ENC*.txt 2>/dev/null | tail -n 1 || true)
if [ $rc -ne 0 ]; then
  echo "demo: the run ended with exit code $rc" >&2
  if [ -n "$log" ]; then
    echo "last lines of $log:" >&2
    tail -n 5 "$log" | tr -d '\r' >&2
  fi
  exit $rc
fi
ms=$(( (end - start) / 1000000 ))
printf 'exit code 0, %d.%03d s\n' $((ms / 1000)) $((ms % 1000))

q() { sqlite3 -batch "$erp" "$@"; }
articles=$(q "select count(*) from zlx_VOR_Encomendas")
to_order=$(q "select count(*) from zlx_VOR_Encomendas where QtdUB > 0")
shortage=$(q "select count(*) from zlx_VOR_Encomendas where Cor = 1")
from_orders=$(q "select count(*) from zlx_VOR_Encomendas where Origem = 'C'")
from_production=$(q "select count(*) from zlx_VOR_Encomendas where Origem = 'O'")

echo
echo "== Proposal (zlx_VOR_Encomendas)"
echo "articles in the proposal:                $articles"
echo "articles that need an order (QtdUB > 0): $to_order"
echo "demand above stock at lead time (Cor 1): $shortage"
echo "demand from customer orders (Origem C):  $from_orders"
echo "demand from production orders (Origem O): $from_production"
echo
echo "Ten largest proposals:"
q -header -column "
  select Artigo,
         substr(Nome, 1, 28)        as Nome,
         printf('%10.2f', QtdUB)    as QtdUB,
         printf('%9.2f', QtdUC)     as QtdUC,
         printf('%9.2f', StkApos)   as StkApos,
         printf('%7.1f', Tempo)     as Tempo,
         coalesce(Origem, '')       as Origem
  from zlx_VOR_Encomendas
  where QtdUB > 0
  order by QtdUB desc, Artigo
  limit 10"
echo
echo "== Morning report"
echo "Workbook: $(ls "$reports"/Proposta_*.xlsx)"
if [ -n "$smtp_port" ]; then
  for _ in $(seq 50); do
    [ -f "$mail/1.json" ] && break
    sleep 0.1
  done
  echo "E-mail:   $mail/1.eml (to compras@empresa.pt, armazem@empresa.pt;" \
    "text, HTML and attachment beside it in $mail)"
  /usr/bin/python3 -c 'import json, sys; print("Subject: " + json.load(open(sys.argv[1]))["subject"])' "$mail/1.json"
else
  echo "E-mail:   not shown (python3-aiosmtpd is not installed)"
fi
echo
echo "Run log:  $log ($(wc -l <"$log") lines)"
echo "Database: $erp"
echo "Settings: $demo/zoltix/VOREncomendas.zlx"
