#!/usr/bin/env bash
# The Debian package: builds it from the build folder, unpacks it and checks
# its control data (dependencies, configuration file, maintainer scripts),
# its files and their modes, the systemd units, that the program run through
# its link on the PATH finds the catalogue beside /usr/lib/vorencomendas,
# the service's exposure (systemd-analyze security), and the maintainer
# scripts run against the unpacked tree (DPKG_ROOT): the service's user,
# first run, removal and purge.
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
for s in postinst prerm postrm; do
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
expect_mode usr/lib/vorencomendas/vorencomendas "-rwxr-xr-x root/root"
expect_mode etc/zoltix/VOREncomendas.zlx "-rw-r----- root/root"
expect_mode lib/systemd/system/vorencomendas.service "-rw-r--r-- root/root"
expect_mode lib/systemd/system/vorencomendas.timer "-rw-r--r-- root/root"
expect_mode usr/share/man/man1/vorencomendas.1.gz "-rw-r--r-- root/root"
expect_mode usr/share/vorencomendas/sql/sqlserver_zlx.sql "-rw-r--r-- root/root"
expect_mode usr/share/doc/vorencomendas/copyright "-rw-r--r-- root/root"
expect_mode usr/share/doc/vorencomendas/changelog.gz "-rw-r--r-- root/root"
[ -d "$root/usr/lib/vorencomendas/Catalogos" ] || fail "no Catalogos folder"
[ "$(readlink -f "$root/usr/bin/vorencomendas")" = \
  "$(readlink -f "$root/usr/lib/vorencomendas/vorencomendas")" ] ||
  fail "usr/bin/vorencomendas does not lead to the program"
grep -q 'IF OBJECT_ID(N.dbo.zlx_VOR_Encomendas' \
  "$root/usr/share/vorencomendas/sql/sqlserver_zlx.sql" || fail "SQL script"
man_page=$(zcat "$root/usr/share/man/man1/vorencomendas.1.gz")
grep -q '^\.SH EXIT STATUS' <<<"$man_page" || fail "man page"
grep -q '@' <<<"$(grep '^\.TH' <<<"$man_page")" && fail "man page version"
# Every key of the example settings file, set or commented out, is in the
# man page.
keys=$(sed -n 's/^;\{0,1\}\([A-Za-z]*\)=.*/\1/p' \
  "$root/etc/zoltix/VOREncomendas.zlx" | sort -u)
for key in $keys; do
  grep -q "$key" <<<"$man_page" || fail "man page lacks the key $key"
done
if command -v man >/dev/null; then
  man -l "$root/usr/share/man/man1/vorencomendas.1.gz" >/dev/null 2>"$work/man.err" ||
    fail "man page: $(cat "$work/man.err")"
fi

# --- Units ---------------------------------------------------------------------
service=$root/lib/systemd/system/vorencomendas.service
timer=$root/lib/systemd/system/vorencomendas.timer
grep -qx 'Type=oneshot' "$service" || fail "service is not Type=oneshot"
grep -qx 'ExecStart=/usr/lib/vorencomendas/vorencomendas /S' "$service" ||
  fail "service does not run /S"
grep -qx 'SuccessExitStatus=3' "$service" || fail "exit code 3 is a failure"
grep -q '^TimeoutStartSec=' "$service" || fail "service without a start timeout"
grep -qx 'LimitCORE=0' "$service" || fail "service may dump core"
grep -q '^\[Install\]' "$service" && fail "the service can be enabled by itself"
grep -qx 'OnCalendar=Mon..Fri 06:15' "$timer" || fail "timer schedule"
grep -qx 'User=vorencomendas' "$service" || fail "the service runs as root"
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
  # The service's exposure to what it does not need, at most 3.0 ("OK").
  if systemd-analyze security --offline=true "$service" \
    >"$work/security.log" 2>&1; then
    exposure=$(sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p' \
      "$work/security.log")
    awk -v e="$exposure" 'BEGIN { exit !(e != "" && e <= 3.0) }' ||
      fail "service exposure '$exposure' (at most 3.0): $(cat "$work/security.log")"
  elif ! grep -q "unrecognized option\|Unknown option" "$work/security.log"; then
    fail "systemd-analyze security: $(cat "$work/security.log")"
  fi
fi

# --- The program through its link finds the catalogue ----------------------------
# No settings folder under VOR_BASE_DIR: the settings file is looked for in
# the program's folder, where there is none, so the login comes from
# Catalogos/bd.sql beside the program, not beside the link.
"$generator" --articles 40 --seed 7 "$work/erp.db" >/dev/null
printf '[BD]\nServidor=sqlite\nBaseDados=%s\nUtilizador=demo\n' "$work/erp.db" \
  >"$root/usr/lib/vorencomendas/Catalogos/bd.sql"
set +e
(cd "$work" && VOR_BASE_DIR="$work/nowhere" "$root/usr/bin/vorencomendas" /S \
  >"$work/run.out" 2>"$work/run.err")
rc=$?
set -e
[ $rc -eq 0 ] || fail "run through the link: exit $rc: $(cat "$work/run.err")"
[ ! -s "$work/run.out" ] || fail "the silent run wrote to standard output"
ls "$root"/usr/lib/vorencomendas/LOG_VOR_ENC*.txt >/dev/null 2>&1 ||
  fail "no run log in the program's folder"

# --- Maintainer scripts in the unpacked tree -------------------------------------
# deb-systemd-helper and the scripts act under DPKG_ROOT; systemctl is not
# called there. First run: the log folder exists; an enabled timer's link
# goes on removal, and a purge leaves no state and no log.
# maint <script> <argument>: runs a maintainer script as dpkg would.
maint() {
  DPKG_MAINTSCRIPT_PACKAGE=vorencomendas DPKG_MAINTSCRIPT_NAME=$1 \
    sh "$work/control/$1" "$2" || fail "$1 $2"
}
if command -v deb-systemd-helper >/dev/null && command -v systemctl >/dev/null &&
  [ "$(id -u)" -eq 0 ]; then
  export DPKG_ROOT=$root
  mkdir -p "$root/etc/systemd/system" "$root/var/lib/systemd"
  maint postinst configure
  # The service's user, in the unpacked tree's own user database: a system
  # user without login, its group reading the settings file, owning the
  # log folder.
  account=$(grep '^vorencomendas:' "$root/etc/passwd" || true)
  uid=$(cut -d: -f3 <<<"$account")
  gid=$(awk -F: '$1 == "vorencomendas" { print $3 }' "$root/etc/group")
  [ -n "$uid" ] && [ "$uid" -lt 1000 ] && [ -n "$gid" ] ||
    fail "postinst made no system user: '$account'"
  [ "$(cut -d: -f7 <<<"$account")" = /usr/sbin/nologin ] ||
    fail "the service's user can log in: $account"
  [ "$(stat -c '%a %u:%g' "$root/etc/zoltix/VOREncomendas.zlx")" = "640 0:$gid" ] ||
    fail "settings file: $(stat -c '%a %u:%g' "$root/etc/zoltix/VOREncomendas.zlx")"
  [ -d "$root/var/log/vorencomendas" ] || fail "postinst made no log folder"
  [ "$(stat -c '%a %u:%g' "$root/var/log/vorencomendas")" = "750 $uid:$gid" ] ||
    fail "log folder: $(stat -c '%a %u:%g' "$root/var/log/vorencomendas")"
  maint postinst configure  # again, as an upgrade does: one user
  [ "$(grep -c '^vorencomendas:' "$root/etc/passwd")" -eq 1 ] ||
    fail "a second configure made another user"
  wants=$root/etc/systemd/system/timers.target.wants/vorencomendas.timer
  [ ! -e "$wants" ] && [ ! -L "$wants" ] || fail "the timer was enabled by itself"
  systemctl --root="$root" enable vorencomendas.timer >/dev/null 2>&1
  [ -L "$wants" ] || fail "the administrator's enable made no link"
  sed "s|/var/log/vorencomendas|$root/var/log/vorencomendas|;
       s|^Servidor=\$|Servidor=sqlite|; s|^BaseDados=\$|BaseDados=$work/erp.db|;
       s|^Utilizador=\$|Utilizador=demo|" "$root/etc/zoltix/VOREncomendas.zlx" \
    >"$work/first.zlx"
  mkdir -p "$work/first/zoltix" && mv "$work/first.zlx" \
    "$work/first/zoltix/VOREncomendas.zlx"
  VOR_BASE_DIR="$work/first" "$root/usr/bin/vorencomendas" /S \
    >"$work/first.out" 2>&1 || fail "first run: $(cat "$work/first.out")"
  ls "$root"/var/log/vorencomendas/LOG_VOR_ENC*.txt >/dev/null 2>&1 ||
    fail "the first run wrote no log into the packaged log folder"
  maint prerm remove
  # dpkg removes the files between prerm and postrm.
  rm "$root"/lib/systemd/system/vorencomendas.*
  maint postrm remove
  [ ! -L "$wants" ] || fail "removal left the timer enabled"
  maint postrm purge
  left=$(find "$root/etc/systemd" "$root/var/lib/systemd" -name '*vorencomendas*')
  [ -z "$left" ] || fail "purge left: $left"
  [ ! -e "$root/var/log/vorencomendas" ] || fail "purge left the run logs"
  ! grep -q '^vorencomendas:' "$root/etc/passwd" "$root/etc/group" ||
    fail "purge left the service's user or group"
  unset DPKG_ROOT
fi

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed for $deb" >&2
  exit 1
fi
echo "package ok: $(basename "$deb"), Depends: $depends"
