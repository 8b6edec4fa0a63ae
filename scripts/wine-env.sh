#!/usr/bin/env bash
# The Wine environment that the Windows tests and the demo share: an X server,
# one Wine prefix with a virtual desktop, and a way to run a Windows program in
# them.
#
#   wine-env.sh up   STATE_DIR          start Xvfb and the wineserver, create the prefix once
#   wine-env.sh run  STATE_DIR PROGRAM [ARG...]
#                                       run a Windows program there; arguments that are
#                                       absolute Unix paths are passed as Z: paths
#   wine-env.sh down STATE_DIR          stop the wineserver and the Xvfb that "up" started
#
# STATE_DIR holds the prefix (STATE_DIR/prefix), the logs and a file "env" with
# what "up" started. Sourcing this file only defines the functions.
set -euo pipefail

# Without these the prefix would try to install Mono and Gecko, which cannot be
# downloaded here and which nothing of ours needs.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

wine_env_die() {
  echo "wine-env: $*" >&2
  exit 1
}

# Some hosts run 64-bit user code only (the kernel refuses every 32-bit ELF
# with ENOEXEC), so Wine's 32-bit loader, and with it every 32-bit Windows
# program, cannot start. There it still runs under qemu's i386 user-mode
# emulator, registered for 32-bit ELF files through binfmt_misc.
#
# The emulated guest gets an address space that ends at 0x7fff0000. With
# qemu's default layout the stack lies below 2 GB, so Wine (which has no
# preloader here) tries to reserve everything from 0x7ffe0000 to 4 GB in
# halves down to 64 KB pieces; qemu refuses each piece only after a slow
# search, and every process start costs about a minute. With the space ending
# there the stack sits at its top, nothing above it is tried, and a start takes
# about a second. Programs that are not large-address-aware never see the
# difference.
wine_env_qemu_reserved_va=0x7fff0000
wine_env_i386_emulated=0
wine_env_ensure_i386() {
  local loader=/usr/lib/wine/wine
  [ -x "$loader" ] || wine_env_die "$loader is missing: run scripts/setup.sh"
  if "$loader" --version >/dev/null 2>&1; then
    if grep -qs 'interpreter .*qemu-i386' /proc/sys/fs/binfmt_misc/*; then
      wine_env_i386_emulated=1
      export QEMU_RESERVED_VA=$wine_env_qemu_reserved_va
    fi
    return 0
  fi
  local qemu=/usr/bin/qemu-i386-static
  [ -x "$qemu" ] || wine_env_die "this host cannot run 32-bit programs and $qemu is missing (package qemu-user-static)"
  [ "$(id -u)" -eq 0 ] || wine_env_die "this host cannot run 32-bit programs; registering qemu-i386 for them needs root"
  if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || wine_env_die "cannot mount binfmt_misc"
  fi
  if [ ! -e /proc/sys/fs/binfmt_misc/murn-i386 ]; then
    # ELF, 32-bit, little-endian, executable or shared object, machine i386.
    # "F" opens the emulator now, so it is found whatever the caller's root.
    printf '%s' ':murn-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      > /proc/sys/fs/binfmt_misc/register 2>/dev/null || true
  fi
  "$loader" --version >/dev/null 2>&1 || wine_env_die "Wine's 32-bit loader still does not start"
  wine_env_i386_emulated=1
  export QEMU_RESERVED_VA=$wine_env_qemu_reserved_va
}

# The 64-bit loader runs the prefix tools (wineboot, reg, wineserver) natively
# even where 32-bit programs are emulated.
wine_env_tool_loader() {
  if [ -x /usr/lib/wine/wine64 ]; then echo /usr/lib/wine/wine64; else echo wine; fi
}

# Starts Xvfb on a display that it picks itself and prints "DISPLAY PID".
# Its output goes to LOG, so that nothing holds the caller's pipes open.
wine_env_start_xvfb() {
  local log=$1 fifo_dir display pid
  fifo_dir=$(mktemp -d)
  mkfifo "$fifo_dir/displayfd"
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
    3>"$fifo_dir/displayfd" </dev/null >"$log" 2>&1 &
  pid=$!
  if ! read -r -t 30 display <"$fifo_dir/displayfd"; then
    kill "$pid" 2>/dev/null || true
    rm -rf "$fifo_dir"
    wine_env_die "Xvfb did not start (see $log)"
  fi
  rm -rf "$fifo_dir"
  echo ":$display $pid"
}

# Creates the prefix with its virtual desktop unless an earlier run left a
# complete one. Without the desktop each window that closes costs about two
# seconds on a bare X server, and screenshots would show no frames.
wine_env_make_prefix() {
  local prefix=$1 log=$2 tool
  tool=$(wine_env_tool_loader)
  [ -e "$prefix/.murn-ready" ] && return 0
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  {
    WINEPREFIX=$prefix timeout 900 "$tool" wineboot -i
    WINEPREFIX=$prefix timeout 300 wineserver -w
    WINEPREFIX=$prefix "$tool" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
    WINEPREFIX=$prefix "$tool" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f
    WINEPREFIX=$prefix timeout 120 wineserver -w
  } >>"$log" 2>&1 || wine_env_die "creating the Wine prefix failed (see $log)"
  touch "$prefix/.murn-ready"
}

# "Z:\work\x" for "/work/x": Wine maps the Unix root to drive Z.
wine_env_windows_path() {
  local p=$1
  echo "Z:${p//\//\\}"
}

wine_env_up() {
  local state=$1
  mkdir -p "$state"
  state=$(cd "$state" && pwd)
  [ -e "$state/env" ] && wine_env_down "$state"
  wine_env_ensure_i386
  local display='' pid=''
  read -r display pid < <(wine_env_start_xvfb "$state/xvfb.log") || true
  [ -n "$pid" ] || wine_env_die "Xvfb did not start (see $state/xvfb.log)"
  cat >"$state/env" <<EOF
export DISPLAY=$display
export WINEPREFIX=$state/prefix
export MURN_XVFB_PID=$pid
export MURN_WINE_I386_EMULATED=$wine_env_i386_emulated
EOF
  if [ "$wine_env_i386_emulated" = 1 ]; then
    echo "export QEMU_RESERVED_VA=$wine_env_qemu_reserved_va" >>"$state/env"
  fi
  export DISPLAY=$display
  wine_env_make_prefix "$state/prefix" "$state/prefix.log"
  # One server for the whole run, started here with its output in a log, so
  # that the tests connect to it instead of each starting their own.
  WINEPREFIX=$state/prefix setsid wineserver -p </dev/null >>"$state/wineserver.log" 2>&1 || true
  echo "wine-env: DISPLAY=$display prefix=$state/prefix emulated-i386=$wine_env_i386_emulated"
}

wine_env_down() {
  local state=$1
  [ -e "$state/env" ] || return 0
  (
    # shellcheck disable=SC1091
    . "$state/env"
    WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
    WINEPREFIX=$WINEPREFIX timeout 30 wineserver -w 2>/dev/null || true
    if [ -n "${MURN_XVFB_PID:-}" ] && kill -0 "$MURN_XVFB_PID" 2>/dev/null; then
      kill "$MURN_XVFB_PID" 2>/dev/null || true
    fi
  )
  rm -f "$state/env"
}

wine_env_run() {
  local state=$1 program=$2
  shift 2
  [ -e "$state/env" ] || wine_env_die "no Wine environment in $state: run 'up' first"
  # shellcheck disable=SC1091
  . "$state/env"
  # Emulated 32-bit code runs several times slower; the programs stretch
  # their waits by this factor.
  if [ "$MURN_WINE_I386_EMULATED" = 1 ]; then export MURN_WINE_TIMEOUT_SCALE=4; fi
  local args=() a
  for a in "$@"; do
    case $a in
      /*) args+=("$(wine_env_windows_path "$a")") ;;
      *) args+=("$a") ;;
    esac
  done
  # Wine's helper processes may outlive the program; they get the log file,
  # not the caller's pipes, so that a test runner does not wait for them.
  local log rc=0
  log=$(mktemp "$state/run.XXXXXX")
  timeout "${MURN_WINE_RUN_TIMEOUT:-3000}" wine "$program" "${args[@]}" </dev/null >"$log" 2>&1 || rc=$?
  cat "$log"
  rm -f "$log"
  return "$rc"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  cmd=${1:-}
  [ $# -ge 2 ] || wine_env_die "usage: $0 up|down STATE_DIR | run STATE_DIR PROGRAM [ARG...]"
  shift
  case $cmd in
    up) wine_env_up "$@" ;;
    down) wine_env_down "$@" ;;
    run) wine_env_run "$@" ;;
    *) wine_env_die "unknown command $cmd" ;;
  esac
fi
