# Sourced by the tests that need a display: xvfb_start FOLDER starts a private
# Xvfb on the first free display, its log and display number in FOLDER. It
# leaves the server's pid in XVFB_PID (the caller stops it) and its display
# in XVFB_DISPLAY, empty when it did not come up (FOLDER/xvfb.log says why).
xvfb_start() {
  exec 3>"$1/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$1/xvfb.log" 2>&1 &
  XVFB_PID=$!
  exec 3>&-
  local _
  for _ in $(seq 100); do [ -s "$1/display" ] && break; sleep 0.1; done
  XVFB_DISPLAY=
  [ ! -s "$1/display" ] || XVFB_DISPLAY=:$(cat "$1/display")
}
