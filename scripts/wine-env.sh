# Sourced by test.sh and run.sh. vl_env_start BUILD ARCH [fresh|keep [OUT]] sets up one Windows build's
# run: a Wine prefix of that arch (never shared with the other: each arch has its own folder,
# $VL_OUT) whose COM1..COM50 all point into the harness folder (never at a real port of this
# host), one wineserver kept alive, an X display with a window manager, and a HOME whose ALSA
# default is a null PCM. vl_env_stop undoes it all.
#
# ARCH 32: build/win under the 32-bit loader (Debian's wine wrapper); ARCH 64: build/win64 under
# the 64-bit loader and server, called by name (scripts/wine64 comes first on PATH).

vl_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# vl_arch_plan: which Windows builds this machine can test. Sets VL_ARCHS ("64 32", "64", "32"
# or empty when none can run), VL_RUN_ARCH (the one the run command starts: 32 where it can) and
# VL_ARCH_LINE (what the test command says first). The 64-bit build runs everywhere; the 32-bit
# one where a 32-bit program executes (some kernels have 32-bit emulation switched off: "Exec
# format error"). VL_ARCH=32|64 picks one.
vl_arch_plan() {
  local loader=${VL_WINE32_LOADER:-/usr/lib/wine/wine} out why
  if out=$("$loader" --version 2>&1 < /dev/null); then
    VL_RUN_ARCH=32 VL_ARCHS="64 32" why="this machine runs 32-bit programs"
  else
    out=$(printf '%s' "$out" | tail -n 1)
    out=${out##*: }  # "bash: line 9: /usr/lib/wine/wine: cannot execute binary file: Exec format error"
    VL_RUN_ARCH=64 VL_ARCHS=64 why="this machine cannot run 32-bit programs: $loader: ${out:-failed}"
  fi
  case "${VL_ARCH:-}" in
    '') ;;
    64) VL_ARCHS=64 VL_RUN_ARCH=64 why="VL_ARCH=64" ;;
    32) if [ "$VL_RUN_ARCH" = 32 ]; then VL_ARCHS=32 why="VL_ARCH=32"; else VL_ARCHS= why="VL_ARCH=32, but $why"; fi ;;
    *) VL_ARCHS= why="VL_ARCH must be 32 or 64, not '$VL_ARCH'" ;;
  esac
  case "$VL_ARCHS" in
    "64 32") VL_ARCH_LINE="Windows tests: the 64-bit and the 32-bit build ($why)" ;;
    '') VL_ARCH_LINE="Windows tests: none ($why)" VL_RUN_ARCH= ;;
    *) VL_ARCH_LINE="Windows tests: the $VL_ARCHS-bit build only ($why)" ;;
  esac
}

# vl_arch_use BUILD ARCH [OUT]: the variables of one arch, without starting anything. OUT names
# the folder of the run's files under BUILD (out32/out64 for the tests; the run command has its
# own, so that it can run while the tests do).
vl_arch_use() {
  local build=$1 arch=$2
  export VL_BUILD=$build VL_WINARCH=$arch
  export VL_OUT=$build/${3:-out$arch} VL_SUITE=$build/out$arch
  if [ "$arch" = 64 ]; then
    export VL_WINBUILD=$build/win64 WINEARCH=win64
    export WINELOADER=${VL_WINE64_LOADER:-/usr/lib/wine/wine64}
    export WINESERVER=${VL_WINE64_SERVER:-/usr/lib/wine/wineserver64}
    case ":$PATH:" in *":$vl_here/wine64:"*) ;; *) export PATH=$vl_here/wine64:$PATH ;; esac
  else
    export VL_WINBUILD=$build/win WINEARCH=win32
  fi
  export WINEPREFIX=$VL_OUT/wineprefix WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export VL_PORTS=$VL_OUT/ports
  export HOME=$VL_OUT/home
}

# The display and its window manager. Without a window manager Wine waits about 2 s for every
# hide of a top-level window; openbox answers at once and, told to leave decorations and
# placement to the program, changes nothing the tests see.
vl_display_start() {
  local i n=
  # Xvfb picks a free display number itself (atomically: two suites start side by side).
  rm -f "$VL_OUT/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$VL_OUT/display" > "$VL_OUT/xvfb.log" 2>&1 &
  VL_XVFB_PID=$!
  for i in $(seq 1 200); do
    # The number is written with a newline once the server takes connections.
    [ "$(wc -l < "$VL_OUT/display" 2>/dev/null)" -ge 1 ] 2>/dev/null && n=$(tr -dc 0-9 < "$VL_OUT/display")
    [ -n "$n" ] && break
    kill -0 "$VL_XVFB_PID" 2>/dev/null || break
    sleep 0.05
  done
  [ -n "$n" ] || { VL_XVFB_PID=; echo "could not start Xvfb (see $VL_OUT/xvfb.log)" >&2; return 1; }
  export DISPLAY=":$n"
  openbox --sm-disable --config-file "$vl_here/openbox.xml" > "$VL_OUT/wm.log" 2>&1 &
  VL_WM_PID=$!
  for i in $(seq 1 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    kill -0 "$VL_WM_PID" 2>/dev/null || break
    sleep 0.05
  done
  echo "the window manager did not start (see $VL_OUT/wm.log)" >&2
  return 1
}

vl_env_start() {
  local build=$1 arch=$2 fresh=${3:-fresh}
  vl_arch_use "$build" "$arch" "${4:-}"
  mkdir -p "$VL_OUT" "$VL_PORTS" "$HOME"
  cat > "$HOME/.asoundrc" <<'ASOUND'
pcm.!default { type null }
ASOUND

  # The display comes first: the desktop process that Wine starts with the first program
  # keeps the environment it was started in, and without a display no top-level window opens.
  if [ -z "${VL_KEEP_DISPLAY:-}" ] || [ -z "${DISPLAY:-}" ]; then
    vl_display_start || return 1
  fi

  # A prefix of the other arch (a folder copied by hand) is never reused.
  if [ -f "$WINEPREFIX/system.reg" ] && ! grep -q "^#arch=$WINEARCH" "$WINEPREFIX/system.reg"; then
    fresh=fresh
  fi
  if [ "$fresh" = fresh ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
    rm -rf "$WINEPREFIX"
    wineboot -i > "$VL_OUT/wineboot.log" 2>&1
  fi
  wineserver -w

  # Register every number the program or its dialog probes into the harness folder. A COM port
  # whose target is missing opens and then fails every call: no test can reach a host port.
  # VL_REAL_MODEM=COMn=/dev/ttyX (the run command only) gives one number to a real device.
  # A crashing program ends at once with its report in its log, instead of waiting on Wine's
  # crash dialog until its time limit.
  local reg=$VL_OUT/ports.reg n target real_n= real_dev=
  if [ -n "${VL_REAL_MODEM:-}" ]; then
    real_n=${VL_REAL_MODEM%%=*}; real_n=${real_n#COM}; real_dev=${VL_REAL_MODEM#*=}
  fi
  {
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n'
    for n in $(seq 1 50); do
      target=$VL_PORTS/com$n
      [ "$n" = "$real_n" ] && target=$real_dev
      printf '"COM%d"="%s"\r\n' "$n" "$(printf '%s' "$target" | sed 's/\\/\\\\/g')"
    done
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n'
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Decorated"="N"\r\n'
  } > "$reg"
  wine regedit /S "$reg" > /dev/null 2>&1
  wineserver -k; wineserver -w
  # Persistent: one server for the whole run, so each program starts quickly. The server opens the
  # COM ports' ptys itself and so gets one as its controlling terminal; when a simulator closes that
  # master the server receives SIGHUP and dumps its object table: that goes to a log, not the run.
  wineserver -p > "$VL_OUT/wineserver.log" 2>&1
  # Wine starts the desktop process from the first program that needs it, with that program's
  # standard error. Were that a test, CTest would wait for its output pipe until the desktop
  # closed (seen as a test that hangs after it passed). The holder starts the desktop here, with
  # its output in a log, and keeps it open until wineserver -k.
  local holder=$VL_WINBUILD/tests/harness/desktop_hold.exe i
  if [ -f "$holder" ]; then
    wine "$holder" < /dev/null > "$VL_OUT/desktop.log" 2>&1 &
    for i in $(seq 1 600); do
      grep -q '^ready' "$VL_OUT/desktop.log" 2>/dev/null && break
      sleep 0.05
    done
    grep -q '^ready' "$VL_OUT/desktop.log" || { echo "the desktop did not start (see $VL_OUT/desktop.log)" >&2; return 1; }
  else
    echo "warning: $holder is not built; a test may start the desktop and wait on it" >&2
  fi
  wine cmd /c exit > /dev/null 2>&1  # makes the server relink dosdevices from the registry

  for n in $(seq 1 50); do
    local link
    link=$(readlink "$WINEPREFIX/dosdevices/com$n" || true)
    [ "$n" = "$real_n" ] && [ "$link" = "$real_dev" ] && continue
    case "$link" in
      "$VL_PORTS"/*) ;;
      *) echo "com$n points at '$link', outside $VL_PORTS: refusing to run" >&2; return 1 ;;
    esac
  done
  # "No such port": the first number above 50 that Wine has not linked.
  VL_NO_SUCH_PORT=
  for n in $(seq 51 255); do
    if [ ! -e "$WINEPREFIX/dosdevices/com$n" ] && [ ! -L "$WINEPREFIX/dosdevices/com$n" ]; then
      VL_NO_SUCH_PORT=$n; break
    fi
  done
  [ -n "$VL_NO_SUCH_PORT" ] || { echo "no free COM number above 50" >&2; return 1; }
  export VL_NO_SUCH_PORT
  # The suite's own environment (not a lane's, nor the run command's) starts with lane 0 only.
  [ -n "${4:-}" ] || vl_lanes_write 0
}

# Lanes: whole-program scenarios run side by side, each alone in a lane of its own (a prefix,
# display and wineserver beside the suite's: the scenarios share COM numbers and the program's
# single-instance mutex, which are per prefix). CTest hands each scenario a lane through
# CTEST_RESOURCE_GROUP_0_LANES, from the lanes file in the build folder (CMakeLists.txt names it);
# tests/e2e/e2e.sh then sources the lane's env file. Lane 0 is the suite's own prefix: with it
# alone (a run of ctest by hand after vl_env_start) the scenarios run one at a time there.
vl_lanes_write() {  # vl_lanes_write ID...
  local id list=
  for id in "$@"; do list+="${list:+,}{\"id\":\"$id\",\"slots\":1}"; done
  printf '{"version":{"major":1,"minor":0},"local":[{"lanes":[%s]}]}\n' "$list" > "$VL_WINBUILD/lanes.json" ||
    { echo "cannot write $VL_WINBUILD/lanes.json" >&2; return 1; }
}

# vl_lanes_start BUILD ARCH COUNT: COUNT lanes beside the suite started by vl_env_start.
vl_lanes_start() {
  local build=$1 arch=$2 count=$3 n pids=() ids=()
  for n in $(seq 1 "$count"); do
    (
      vl_env_start "$build" "$arch" fresh "out$arch/lane$n" > "$build/out$arch/lane$n.log" 2>&1 || exit 1
      local v
      for v in VL_BUILD VL_WINARCH VL_OUT VL_SUITE VL_WINBUILD WINEARCH WINELOADER WINESERVER PATH \
               WINEPREFIX WINEDEBUG WINEDLLOVERRIDES VL_PORTS HOME DISPLAY VL_NO_SUCH_PORT \
               VL_XVFB_PID VL_WM_PID; do
        [ -n "${!v:-}" ] && printf 'export %s=%q\n' "$v" "${!v}"
      done > "$VL_OUT/env"
    ) &
    pids+=($!)
  done
  local ok=1
  for n in $(seq 1 "$count"); do
    if wait "${pids[$((n - 1))]}"; then ids+=("$n")
    else echo "lane $n did not start (see $build/out$arch/lane$n.log)" >&2; ok=0; fi
  done
  vl_lanes_write "${ids[@]}" && [ $ok = 1 ]
}

vl_lanes_stop() {
  local env
  for env in "$VL_SUITE"/lane*/env; do
    [ -f "$env" ] && ( . "$env"; vl_env_stop )
  done
  vl_lanes_write 0
}

vl_env_stop() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k > /dev/null 2>&1
  local pid
  for pid in "${VL_WM_PID:-}" "${VL_XVFB_PID:-}"; do
    [ -n "$pid" ] || continue
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  # Any simulator a test left behind (with-sim.sh records each one's pid in its run folder).
  local pidfile
  for pidfile in "${VL_OUT:-/nonexistent}"/sims/*/pid; do
    [ -f "$pidfile" ] || continue
    pid=$(cat "$pidfile")
    if [ -n "$pid" ] && grep -q modemsim "/proc/$pid/cmdline" 2>/dev/null; then kill "$pid" 2>/dev/null; fi
  done
  return 0
}
