#!/usr/bin/env bash
# Kills the unattended run with SIGKILL at spread moments of a large run and
# checks, after every kill, that the ERP database passes
# "PRAGMA integrity_check" and that zlx_VOR_Encomendas holds exactly the
# previous run's proposal or exactly the complete new one: never a mix, never
# a partial set. A database left with a hot journal is also handed back to
# the program, which must recover it and complete a run.
#
# The run log is buffered: after every kill it must still begin with its
# first line, hold every phase line the run went past (all four and "Grava
# Tabela Final" once the write began), and its last line may be at most
# about a second older than the kill (stamps have whole seconds: 2 s).
#
# The kills are made in both reading modes: KILLS in Literal and half as
# many (at least 4) in Conjunto, which writes in multi-row inserts.
#
#   kill_test.sh PROGRAM VOR_DEMO_ERP [KILLS]
#
# Environment: VOR_KILL_ARTICLES (bought articles of the generated ERP,
# default 8000, a run of about a second), VOR_KILL_SEED (default 11).
# Prints one line per kill and a summary line; exit code 0 when every kill
# was survived, 1 otherwise, 2 when the set-up failed.
set -uo pipefail

program=${1:?usage: kill_test.sh PROGRAM VOR_DEMO_ERP [KILLS]}
demo_erp=${2:?usage: kill_test.sh PROGRAM VOR_DEMO_ERP [KILLS]}
kills=${3:-20}
articles=${VOR_KILL_ARTICLES:-8000}
seed=${VOR_KILL_SEED:-11}

command -v sqlite3 >/dev/null || { echo "kill test: sqlite3 is missing" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/vor_kill_XXXXXX")
trap 'rm -rf "$work"' EXIT
site=$work/site
db=$site/erp.db
log_dir=$site/log
mkdir -p "$site/zoltix" "$log_dir"

fail() {
  echo "kill test: $*" >&2
  exit 2
}

now() { date +%s.%N; }
# a - b in seconds, and a * b, with three decimals.
minus() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a - b }'; }
times() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a * b }'; }

# The settings of a site whose database and log lie in folder $1, read in
# mode $2 (Literal by default).
write_settings() {
  mkdir -p "$1/zoltix" "$1/log"
  printf '[BD]\r\nServidor=sqlite\r\nBaseDados=%s/erp.db\r\nUtilizador=demo\r\nPassword=\r\n[Log]\r\nDirectoria=%s/log\r\n[Motor]\r\nLeitura=%s\r\n' \
    "$1" "$1" "${2:-Literal}" >"$1/zoltix/VOREncomendas.zlx"
}

# Checks the log a killed run left ($1: the moment of the kill, epoch
# seconds; $2: the phase the run was found in). Prints "ok", or what is
# missing.
check_log() {
  local file
  file=$(ls "$log_dir"/LOG_VOR_ENC*.txt 2>/dev/null | head -n 1)
  if [ -z "$file" ]; then
    echo "ok"  # killed before the log was opened
    return
  fi
  local messages
  messages=$(sed 's/^\[[^]]*\]\[[^]]*\] //; s/\r$//' "$file")
  if [ "$(printf '%s\n' "$messages" | head -n 1)" != "Início da Emissão" ]; then
    echo "first-line-lost"
    return
  fi
  case $2 in
  inserts | commit | committed | logged-end)
    local phases
    phases=$(printf '%s\n' "$messages" | grep -v '^Artigo   ' | tr '\n' '|')
    case $phases in
    *"Atualiza Enc Cli|Atualiza Final Enc Cli|Procura Componentes OP|Atualiza Final OP|Grava Tabela Final|"*) ;;
    *)
      echo "phase-lost"
      return
      ;;
    esac
    ;;
  esac
  local last stamp
  last=$(tail -n 1 "$file")
  stamp=$(printf '%s' "$last" | sed -n 's/^\[\([0-9][0-9]\)-\([0-9][0-9]\)-\([0-9]\{4\}\)\]\[\([0-9:]*\)\].*/\3-\2-\1 \4/p')
  if [ -z "$stamp" ]; then
    echo "last-line-cut"
    return
  fi
  local lag
  lag=$(awk -v k="$1" -v s="$(date -d "$stamp" +%s)" 'BEGIN { printf "%d", int(k) - s }')
  if ((lag > 2)); then
    echo "lag-${lag}s"
    return
  fi
  echo "ok"
}

# The whole result table, every column of every row in stored order, as
# SQL literals (so 1 and 1.0 and '1' stay apart).
dump() {
  sqlite3 -batch "$1" ".mode quote" \
    "select rowid, * from zlx_VOR_Encomendas order by rowid"
}

log_has_write_started() {
  grep -qs "Grava Tabela Final" "$log_dir"/LOG_VOR_ENC*.txt
}

# True once the database file has been written since the marker was
# touched: the commit is overwriting it (the run's page cache holds every
# change until then). A shell test, so it can be polled without forking.
db_changed() { [ "$db" -nt "$work/marker" ]; }

# Restores the new inputs with the previous proposal and an empty log.
restore() {
  cp "$work/base.db" "$db"
  rm -f "$db-journal" "$db-wal" "$db-shm" "$log_dir"/*
  sleep 0.01
  touch "$work/marker"
}

# One completed run; sets run_total, run_write and run_commit (seconds from
# the start to the log's "Grava Tabela Final" and to the first change of
# the database file).
timed_run() {
  local start write_at="" commit_at="" end
  start=$(now)
  VOR_BASE_DIR=$site "$program" /S >"$work/out" 2>"$work/err" &
  local pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    if [ -z "$write_at" ] && log_has_write_started; then write_at=$(now); fi
    if [ -n "$write_at" ]; then
      until db_changed || ! kill -0 "$pid" 2>/dev/null; do :; done
      commit_at=$(now)
      break
    fi
    sleep 0.002
  done
  wait "$pid"
  local rc=$?
  end=$(now)
  [ "$rc" -eq 0 ] || fail "reference run ended with $rc: $(cat "$work/err")"
  [ -n "$write_at" ] || write_at=$end
  [ -n "$commit_at" ] || commit_at=$end
  run_total=$(minus "$end" "$start")
  run_write=$(minus "$write_at" "$start")
  run_commit=$(minus "$commit_at" "$start")
}

# The ERP, the previous proposal and, after a change of every stock, the
# new one. base.db holds the new inputs with the previous proposal: each
# kill starts from it.
"$demo_erp" --articles "$articles" --seed "$seed" "$work/generated.db" >/dev/null ||
  fail "vor-demo-erp failed"
# One series of KILLS ($2) kills of the program reading in mode $1.
kill_series() {
mode=$1
kills=$2
write_settings "$site" "$mode"
cp "$work/generated.db" "$db"
timed_run
dump "$db" >"$work/previous.dump"
sqlite3 "$db" "update ARTIGOS set stdisp = coalesce(stdisp, 0) + 3" ||
  fail "cannot change the stock"
cp "$db" "$work/base.db"
restore
timed_run
dump "$db" >"$work/new.dump"
restore
timed_run  # again from the same state: the proposal is repeatable
dump "$db" | cmp -s - "$work/new.dump" || fail "two runs gave different proposals"
cmp -s "$work/previous.dump" "$work/new.dump" &&
  fail "the previous and the new proposal are equal: a mix would not show"
rows=$(wc -l <"$work/new.dump")
insert_len=$(minus "$run_commit" "$run_write")
echo "kill test ($mode): $articles articles, proposal of $rows rows; run $run_total s," \
  "write from $run_write s, commit from $run_commit s"

# Four kills in ten at spread delays over the reading part of the run; three
# in ten at spread delays over the inserts (from the log's "Grava Tabela
# Final" on); the rest as the commit starts overwriting the database file,
# 0 to a few milliseconds late.
read_kills=$((kills * 4 / 10))
write_kills=$((kills * 3 / 10))
commit_kills=$((kills - read_kills - write_kills))
survived=0
n_reads=0 n_write=0 n_commit=0 n_committed=0 n_after=0 n_done=0
n_previous=0 n_new=0 n_bad=0 n_journal=0 rows_lost=0 n_log_bad=0
recovery_copy=""
recovery_phase=""

for ((i = 0; i < kills; i++)); do
  restore
  VOR_BASE_DIR=$site "$program" /S >/dev/null 2>&1 &
  pid=$!
  if ((i < read_kills)); then
    aim=start
    delay=$(awk -v t="$run_write" -v i="$i" -v n="$read_kills" \
      'BEGIN { printf "%.3f", t * (0.03 + 0.92 * i / n) }')
    sleep "$delay"
  elif ((i < read_kills + write_kills)); then
    aim=inserts
    delay=$(awk -v t="$insert_len" -v j="$((i - read_kills))" -v n="$write_kills" \
      'BEGIN { printf "%.3f", t * 0.95 * j / n }')
    while kill -0 "$pid" 2>/dev/null && ! log_has_write_started; do sleep 0.001; done
    sleep "$delay"
  else
    aim=commit
    # Turns of an empty shell loop, about a microsecond each: 0, 250,
    # 1000, 4000... so the later kills fall past the commit's end.
    j=$((i - read_kills - write_kills))
    spins=$((j == 0 ? 0 : 250 * (1 << (2 * (j - 1)))))
    delay=$spins
    while kill -0 "$pid" 2>/dev/null && ! log_has_write_started; do sleep 0.001; done
    until db_changed || ! kill -0 "$pid" 2>/dev/null; do :; done
    for ((k = 0; k < spins; k++)); do :; done
  fi
  kill_at=$(now)
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  rc=$?

  journal=no
  [ -e "$db-journal" ] && [ -s "$db-journal" ] && journal=yes
  changed=no
  cmp -s "$db" "$work/base.db" || changed=yes
  if [ "$journal" = yes ]; then
    n_journal=$((n_journal + 1))
    # Kept for the recovery run: the first one, replaced by the first
    # killed in the commit, the hardest to recover.
    if [ -z "$recovery_copy" ] || { [ "$changed" = yes ] && [ "$recovery_phase" != commit ]; }; then
      recovery_copy=$work/recovery
      recovery_phase=$([ "$changed" = yes ] && echo commit || echo inserts)
      mkdir -p "$recovery_copy"
      cp "$db" "$db-journal" "$recovery_copy/"
    fi
  fi

  integrity=$(sqlite3 -batch "$db" "PRAGMA integrity_check" 2>&1)
  dump "$db" >"$work/after.dump" 2>&1
  if cmp -s "$work/after.dump" "$work/previous.dump"; then
    table=previous
    n_previous=$((n_previous + 1))
  elif cmp -s "$work/after.dump" "$work/new.dump"; then
    table=new
    n_new=$((n_new + 1))
  else
    after_rows=$(wc -l <"$work/after.dump")
    table="MIXED($after_rows rows)"
    n_bad=$((n_bad + 1))
    ((after_rows < rows)) && rows_lost=$((rows_lost + rows - after_rows))
  fi

  # Where the run was, from its exit status, the log and the files it left:
  # a hot journal and a changed database file mean the commit was
  # overwriting the file; no journal but the new proposal in place mean the
  # commit was done and the run was killed before its last log line.
  if [ "$rc" -ne 137 ]; then
    phase=completed
    n_done=$((n_done + 1))
  elif grep -qs "Emissão Mapas terminada" "$log_dir"/*; then
    phase=logged-end
    n_after=$((n_after + 1))
  elif ! log_has_write_started; then
    phase=reads
    n_reads=$((n_reads + 1))
  elif [ "$journal" = yes ] && [ "$changed" = yes ]; then
    phase=commit
    n_commit=$((n_commit + 1))
  elif [ "$journal" = yes ]; then
    phase=inserts
    n_write=$((n_write + 1))
  else
    phase=committed
    n_committed=$((n_committed + 1))
  fi

  log_state=ok
  [ "$phase" = completed ] || log_state=$(check_log "$kill_at" "$phase")
  [ "$log_state" = ok ] || n_log_bad=$((n_log_bad + 1))

  verdict=FAILED
  if [ "$integrity" = ok ] && [ "$log_state" = ok ] &&
    { [ "$table" = previous ] || [ "$table" = new ]; }; then
    verdict=survived
    survived=$((survived + 1))
  fi
  unit=s
  [ "$aim" = commit ] && unit=spins
  printf 'kill %2d, %5s %-5s after %-7s: %-10s journal %-3s integrity %-3s log %-3s table %s -> %s\n' \
    $((i + 1)) "$delay" "$unit" "$aim" \
    "$phase" "$journal" "$integrity" "$log_state" "$table" "$verdict"
done

# A database killed with a hot journal goes back to the program untouched:
# it rolls the journal back itself and completes a run with the new proposal.
recovered=none
if [ -n "$recovery_copy" ]; then
  write_settings "$recovery_copy" "$mode"
  if VOR_BASE_DIR=$recovery_copy "$program" /S >/dev/null 2>"$work/err" &&
    dump "$recovery_copy/erp.db" | cmp -s - "$work/new.dump" &&
    [ "$(sqlite3 "$recovery_copy/erp.db" "PRAGMA integrity_check")" = ok ]; then
    recovered="ok (killed in the $recovery_phase)"
  else
    recovered=FAILED
  fi
fi

echo "kill test summary ($mode): $kills kills, $survived survived" \
  "(in the reads $n_reads, inserts $n_write, commit $n_commit, after the commit $n_committed," \
  "after the last log line $n_after, run already over $n_done);" \
  "table previous $n_previous, new $n_new, mixed or partial $n_bad; rows lost $rows_lost;" \
  "hot journals $n_journal, recovery run $recovered; logs short of the promise $n_log_bad"
[ "$survived" -eq "$kills" ] && [ "$recovered" != FAILED ] && ((n_bad == 0)) &&
  ((n_log_bad == 0))
}

status=0
kill_series Literal "$kills" || status=1
conjunto_kills=$((kills / 2 < 4 ? 4 : kills / 2))
kill_series Conjunto "$conjunto_kills" || status=1
exit $status
