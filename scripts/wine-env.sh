# Sourced by test.sh and run.sh: a fresh Wine prefix in the build folder whose COM1..COM50 all
# point into the harness folder (never at a real port of this host), one wineserver kept alive,
# an X display, and a HOME whose ALSA default is a null PCM. vl_env_stop undoes it all.

vl_env_start() {
  local build=$1 fresh=${2:-fresh}
  export VL_BUILD=$build
  export WINEPREFIX=$build/wineprefix WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export VL_PORTS=$build/ports
  export HOME=$build/home
  mkdir -p "$VL_PORTS" "$HOME"
  cat > "$HOME/.asoundrc" <<'ASOUND'
pcm.!default { type null }
ASOUND

  # The display comes first: the desktop process that Wine starts with the first program
  # keeps the environment it was started in, and without a display no top-level window opens.
  if [ -z "${VL_KEEP_DISPLAY:-}" ] || [ -z "${DISPLAY:-}" ]; then
    local d
    for d in $(seq 90 140); do
      [ -e "/tmp/.X$d-lock" ] || [ -e "/tmp/.X11-unix/X$d" ] && continue
      Xvfb ":$d" -screen 0 1024x768x24 -nolisten tcp > "$build/xvfb.log" 2>&1 &
      VL_XVFB_PID=$!
      local i
      for i in $(seq 1 100); do
        [ -e "/tmp/.X11-unix/X$d" ] && break
        sleep 0.05
      done
      if kill -0 "$VL_XVFB_PID" 2>/dev/null && [ -e "/tmp/.X11-unix/X$d" ]; then
        export DISPLAY=":$d"
        break
      fi
      VL_XVFB_PID=
    done
    [ -n "${VL_XVFB_PID:-}" ] || { echo "could not start Xvfb" >&2; return 1; }
  fi

  if [ "$fresh" = fresh ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
    rm -rf "$WINEPREFIX"
    wineboot -i > "$build/wineboot.log" 2>&1
  fi
  wineserver -w

  # Register every number the program or its dialog probes into the harness folder. A COM port
  # whose target is missing opens and then fails every call: no test can reach a host port.
  # VL_REAL_MODEM=COMn=/dev/ttyX (the run command only) gives one number to a real device.
  local reg=$build/ports.reg n target real_n= real_dev=
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
  } > "$reg"
  wine regedit /S "$reg" > /dev/null 2>&1
  wineserver -k; wineserver -w
  # Persistent: one server for the whole run, so each program starts quickly. The server opens the
  # COM ports' ptys itself and so gets one as its controlling terminal; when a simulator closes that
  # master the server receives SIGHUP and dumps its object table: that goes to a log, not the run.
  wineserver -p > "$build/wineserver.log" 2>&1
  # Wine starts the desktop process from the first program that needs it, with that program's
  # standard error. Were that a test, CTest would wait for its output pipe until the desktop
  # closed (seen as a test that hangs after it passed). The holder starts the desktop here, with
  # its output in a log, and keeps it open until wineserver -k.
  local holder=$build/win/tests/harness/desktop_hold.exe i
  if [ -f "$holder" ]; then
    wine "$holder" < /dev/null > "$build/desktop.log" 2>&1 &
    for i in $(seq 1 600); do
      grep -q '^ready' "$build/desktop.log" 2>/dev/null && break
      sleep 0.05
    done
    grep -q '^ready' "$build/desktop.log" || { echo "the desktop did not start (see $build/desktop.log)" >&2; return 1; }
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

}

vl_env_stop() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k > /dev/null 2>&1
  if [ -n "${VL_XVFB_PID:-}" ]; then
    kill "$VL_XVFB_PID" 2>/dev/null
    wait "$VL_XVFB_PID" 2>/dev/null
  fi
  # Any simulator a test left behind (with-sim.sh records each one's pid in its run folder).
  local pidfile pid
  for pidfile in "${VL_BUILD:-/nonexistent}"/sims/*/pid; do
    [ -f "$pidfile" ] || continue
    pid=$(cat "$pidfile")
    if [ -n "$pid" ] && grep -q modemsim "/proc/$pid/cmdline" 2>/dev/null; then kill "$pid" 2>/dev/null; fi
  done
  return 0
}
