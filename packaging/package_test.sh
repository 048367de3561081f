#!/usr/bin/env bash
# The Debian package: builds it from the build folder, unpacks it and checks
# its control data (dependencies, configuration file, maintainer scripts),
# its files and their modes, the systemd units, and that the program run
# through its link on the PATH finds the catalogue beside /opt/vorencomendas.
#   package_test.sh <build dir> <vor-demo-erp>
set -euo pipefail

build=$1
generator=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" \
  -B "$work/out" >"$work/cpack.log" 2>&1) || {
  cat "$work/cpack.log" >&2
  exit 1
}
debs=("$work"/out/vorencomendas_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || {
  echo "FAIL: no single vorencomendas_<version>_amd64.deb in $work/out" >&2
  ls -l "$work/out" >&2
  exit 1
}
deb=${debs[0]}

# --- Control data -------------------------------------------------------------
info=$(dpkg-deb -I "$deb")
depends=$(dpkg-deb -f "$deb" Depends)
# The package names of the list, without their versions.
names=$(tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//')
for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6sql6 libqt6sql6-sqlite \
  libqt6sql6-odbc unixodbc tdsodbc qt6-translations-l10n libc6 libstdc++6; do
  grep -qxF "$p" <<<"$names" || fail "Depends lacks $p: $depends"
done
[ "$(dpkg-deb -f "$deb" Architecture)" = amd64 ] || fail "architecture"
mkdir "$work/control"
dpkg-deb -e "$deb" "$work/control"
grep -qx /etc/zoltix/VOREncomendas.zlx "$work/control/conffiles" ||
  fail "the settings file is not a configuration file"
for s in postinst postrm; do
  [ -x "$work/control/$s" ] || fail "$s missing or not executable"
done
grep -q "conffiles" <<<"$info" || fail "dpkg-deb -I does not list conffiles"

# --- Files and modes ------------------------------------------------------------
root=$work/root
dpkg-deb -x "$deb" "$root"
listing=$(dpkg-deb -c "$deb")
mode_of() {  # the mode and owner dpkg-deb -c shows for ./<path>
  awk -v p="./$1" '$6 == p { print $1, $2 }' <<<"$listing"
}
expect_mode() {
  local got
  got=$(mode_of "$1")
  [ "$got" = "$2" ] || fail "$1: '$got', expected '$2'"
}
expect_mode opt/vorencomendas/vorencomendas "-rwxr-xr-x root/root"
expect_mode etc/zoltix/VOREncomendas.zlx "-rw-r----- root/root"
expect_mode lib/systemd/system/vorencomendas.service "-rw-r--r-- root/root"
expect_mode lib/systemd/system/vorencomendas.timer "-rw-r--r-- root/root"
expect_mode usr/share/man/man1/vorencomendas.1.gz "-rw-r--r-- root/root"
expect_mode usr/share/vorencomendas/sql/sqlserver_zlx.sql "-rw-r--r-- root/root"
[ -d "$root/opt/vorencomendas/Catalogos" ] || fail "no Catalogos folder"
[ "$(readlink -f "$root/usr/bin/vorencomendas")" = \
  "$(readlink -f "$root/opt/vorencomendas/vorencomendas")" ] ||
  fail "usr/bin/vorencomendas does not lead to the program"
grep -q 'IF OBJECT_ID(N.dbo.zlx_VOR_Encomendas' \
  "$root/usr/share/vorencomendas/sql/sqlserver_zlx.sql" || fail "SQL script"
zcat "$root/usr/share/man/man1/vorencomendas.1.gz" | grep -q '^\.SH EXIT STATUS' ||
  fail "man page"
if command -v man >/dev/null; then
  man -l "$root/usr/share/man/man1/vorencomendas.1.gz" >/dev/null 2>"$work/man.err" ||
    fail "man page: $(cat "$work/man.err")"
fi

# --- Units ---------------------------------------------------------------------
service=$root/lib/systemd/system/vorencomendas.service
timer=$root/lib/systemd/system/vorencomendas.timer
grep -qx 'Type=oneshot' "$service" || fail "service is not Type=oneshot"
grep -qx 'ExecStart=/opt/vorencomendas/vorencomendas /S' "$service" ||
  fail "service does not run /S"
grep -qx 'SuccessExitStatus=3' "$service" || fail "exit code 3 is a failure"
grep -qx 'OnCalendar=Mon..Fri 06:15' "$timer" || fail "timer schedule"
if command -v systemd-analyze >/dev/null; then
  next=$(systemd-analyze calendar 'Mon..Fri 06:15' 2>&1) ||
    fail "calendar: $next"
  # The units as installed, the program where the service expects it; the
  # unpacked tree has no system units and no manual pages to check against.
  if ! systemd-analyze verify --root="$root" --man=no --recursive-errors=no \
    "$root/lib/systemd/system/vorencomendas.service" \
    "$root/lib/systemd/system/vorencomendas.timer" >"$work/verify.log" 2>&1 ||
    [ -s "$work/verify.log" ]; then
    fail "systemd-analyze verify: $(cat "$work/verify.log")"
  fi
fi

# --- The program through its link finds the catalogue ----------------------------
# No settings folder under VOR_BASE_DIR: the settings file is looked for in
# the program's folder, where there is none, so the login comes from
# Catalogos/bd.sql beside the program, not beside the link.
"$generator" --articles 40 --seed 7 "$work/erp.db" >/dev/null
printf '[BD]\nServidor=sqlite\nBaseDados=%s\nUtilizador=demo\n' "$work/erp.db" \
  >"$root/opt/vorencomendas/Catalogos/bd.sql"
set +e
(cd "$work" && VOR_BASE_DIR="$work/nowhere" "$root/usr/bin/vorencomendas" /S \
  >"$work/run.out" 2>"$work/run.err")
rc=$?
set -e
[ $rc -eq 0 ] || fail "run through the link: exit $rc: $(cat "$work/run.err")"
[ ! -s "$work/run.out" ] || fail "the silent run wrote to standard output"
ls "$root"/opt/vorencomendas/LOG_VOR_ENC*.txt >/dev/null 2>&1 ||
  fail "no run log in the program's folder"

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed for $deb" >&2
  exit 1
fi
echo "package ok: $(basename "$deb"), Depends: $depends"
