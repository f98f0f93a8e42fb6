#!/usr/bin/env bash
# Builds the Debian package, installs it and checks the installed program as two ordinary users would run it:
#   - user A runs it headless (Xvfb) against the relay simulator on COM2 of A's own program folder: the program
#     polls, its daily log lands in ~/.local/share/varn/运行记录, the shipped configuration was copied there;
#   - user B, whose COM2 is a device B may not open, gets a folder of their own and the dialout hint in the log;
#   - reinstalling, removing and purging the package leave both users' files alone.
# Needs root (installs the package, adds two users). Usage: scripts/test-deb.sh [existing .deb]
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "test-deb: run as root" >&2; exit 1; }

if [ -n "${1:-}" ]; then
  deb=$(realpath "$1")
else
  bash scripts/package-deb.sh
  deb=$(realpath "$(ls -t dist/varn_*.deb | head -1)")
fi

fail() { echo "test-deb: FAIL: $*" >&2; exit 1; }
work=$(mktemp -d /tmp/varn-test-deb.XXXXXX)
pids=()
control=""
cleanup() {
  # The simulator ends on "quit"; a signal to the runuser in front of it does not reach it.
  if [ -n "$control" ]; then echo quit >&3 2>/dev/null || true; fi
  for p in "${pids[@]}"; do
    for _ in $(seq 30); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
    kill "$p" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -q "$deb" >/dev/null
[ -x /usr/bin/varn ] || fail "/usr/bin/varn missing after install"

# The installed binaries are hardened: position-independent, full RELRO, stack protector, fortified calls and
# control-flow protection (ENDBR64 landing pads; the ELF property note needs start files built with it, and
# Debian 12's are not).
for binary in /usr/lib/varn/varn /usr/lib/varn/relay_sim /usr/lib/varn/comm_server; do
  readelf -hW "$binary" | grep -q 'Type:.*DYN' || fail "$binary is not position-independent"
  readelf -lW "$binary" | grep -q GNU_RELRO || fail "$binary has no RELRO segment"
  readelf -dW "$binary" | grep -Eq 'FLAGS.*(BIND_NOW|NOW)' || fail "$binary is not bound at load (partial RELRO)"
  symbols=$(readelf --dyn-syms -W "$binary")
  grep -q '__stack_chk_fail' <<<"$symbols" || fail "$binary has no stack protector"
  grep -Eq '__[a-z0-9_]+_chk(@| )' <<<"$symbols" || fail "$binary calls no fortified function"
  [ "$(objdump -d --no-show-raw-insn "$binary" | grep -c endbr64)" -gt 0 ] || fail "$binary has no control-flow protection"
done

# Runs a command as a user with a clean login-like environment.
as_user() {
  local user=$1; shift
  local home; home=$(getent passwd "$user" | cut -d: -f6)
  runuser -u "$user" -- env -i HOME="$home" USER="$user" LOGNAME="$user" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"
}
gbk() { printf '%s' "$1" | iconv -f UTF-8 -t GBK; }
# The daily logs of a user's run: their folder was emptied before it, so what it holds now is this run's (two
# files when the run crossed a midnight). Fills the array named $2.
daily_logs() {
  local -n into=$2
  shopt -s nullglob
  into=("$1"/运行记录/*.log)
  shopt -u nullglob
  [ ${#into[@]} -gt 0 ] || fail "no daily log in $1/运行记录"
}
shot_args=(xvfb-run -a -s "-screen 0 1600x1000x24")

for user in varn-ci-a varn-ci-b; do
  id "$user" >/dev/null 2>&1 || useradd -m -s /bin/bash "$user"
  gpasswd -d "$user" dialout >/dev/null 2>&1 || true
  home=$(getent passwd "$user" | cut -d: -f6)
  rm -rf "$home/.local/share/varn" "$home/shots"
done
home_a=$(getent passwd varn-ci-a | cut -d: -f6)
home_b=$(getent passwd varn-ci-b | cut -d: -f6)
folder_a=$home_a/.local/share/varn
folder_b=$home_b/.local/share/varn

# User A: the installed simulator on COM2 of A's program folder (its default, as the manual page says), then
# the program.
# Its control commands go through a FIFO that stays open for the whole check.
control=$work/control
mkfifo "$control"
exec 3<>"$control"
sim_out=$work/relay_sim.out
as_user varn-ci-a /usr/lib/varn/relay_sim --com 2 --keep-running > "$sim_out" 2>&1 < "$control" &
pids+=($!)
for _ in $(seq 50); do [ -e "$folder_a/dosdevices/com2" ] && break; sleep 0.1; done
[ -e "$folder_a/dosdevices/com2" ] || { cat "$sim_out"; fail "relay_sim did not link COM2 in A's program folder"; }
as_user varn-ci-a "${shot_args[@]}" env VARN_SCREENSHOT_DIR="$home_a/shots" varn > "$work/a.out" 2>&1 \
  || { cat "$work/a.out"; fail "the installed program failed for user A"; }

daily_logs "$folder_a" logs_a
for log in "${logs_a[@]}"; do [ "$(stat -c %U "$log")" = varn-ci-a ] || fail "the daily log $log is not user A's"; done
log_text_a() { cat "${logs_a[@]}" | iconv -f GBK -t UTF-8; }
grep -q "$(gbk '打开串口成功!')" "${logs_a[@]}" || fail "the port did not open: $(log_text_a)"
grep -q "$(gbk '上装所有参数成功!')" "${logs_a[@]}" || fail "no parameter upload: $(log_text_a)"
# The run lasts several seconds of polling: far more answered requests than the few uploads make.
echo counters >&3
for _ in $(seq 30); do grep -q '^COUNTERS' "$sim_out" && break; sleep 0.1; done
answered=$(sed -n 's/^COUNTERS .*answered=\([0-9]*\).*/\1/p' "$sim_out")
[ "${answered:-0}" -ge 20 ] || fail "the program did not poll: $(grep '^COUNTERS' "$sim_out")"
for d in 配置文件 运行记录 报文存档 项目存档 信息导出 帮助文件; do
  [ -d "$folder_a/$d" ] || fail "user A's folder lacks $d"
done
cmp -s "$folder_a/配置文件/VARN.ini" /usr/lib/varn/配置文件/VARN.ini || fail "VARN.ini was not copied"
[ "$(readlink "$folder_a/帮助文件/help.pdf")" = /usr/lib/varn/帮助文件/help.pdf ] || fail "no help document link"
for p in main monitor settings events hardware_id calibration; do
  [ -s "$home_a/shots/$p.png" ] || fail "no picture $p.png"
done
echo "test-deb: user A polled ($answered requests answered); log ${logs_a[*]}"

# User B: COM2 is A's simulator terminal, which B may not open.
as_user varn-ci-b mkdir -p "$folder_b/dosdevices"
ln -sf "$(readlink "$folder_a/dosdevices/com2")" "$folder_b/dosdevices/com2"
as_user varn-ci-b "${shot_args[@]}" env VARN_SCREENSHOT_DIR="$home_b/shots" varn > "$work/b.out" 2>&1 \
  || { cat "$work/b.out"; fail "the installed program failed for user B"; }
daily_logs "$folder_b" logs_b
grep -q "$(gbk '打开串口失败!')" "${logs_b[@]}" || fail "user B's port opened"
grep -q "$(gbk '没有打开串口设备的权限，请将当前用户加入dialout组后重新登录!')" "${logs_b[@]}" \
  || fail "no dialout hint: $(cat "${logs_b[@]}" | iconv -f GBK -t UTF-8)"
[ "$(stat -c %U "$folder_b/配置文件/VARN.ini")" = varn-ci-b ] || fail "user B's configuration is not B's own"
echo "test-deb: user B has a folder of their own and the dialout hint"

# A changed setting survives reinstallation (dpkg's upgrade path), removal and purge.
printf '[Settings]\r\nPort=7\r\n' > "$folder_a/配置文件/基本配置.ini"
before=$(cd "$folder_a" && find . -path ./dosdevices -prune -o -type f -print0 | sort -z | xargs -0 md5sum)
dpkg -i "$deb" >/dev/null
apt-get remove -y -q varn >/dev/null
[ ! -e /usr/bin/varn ] || fail "the program is still installed"
dpkg --purge varn >/dev/null 2>&1  # nothing is left to purge: the package has no conffiles
after=$(cd "$folder_a" && find . -path ./dosdevices -prune -o -type f -print0 | sort -z | xargs -0 md5sum)
[ "$before" = "$after" ] || fail "reinstalling or removing the package changed user A's files"
for log in "${logs_b[@]}"; do [ -f "$log" ] || fail "removing the package removed user B's log $log"; done
echo "test-deb: removal left the users' files; all checks passed"
