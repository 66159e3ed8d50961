# Sourced by the test scripts: without a DISPLAY, starts one Xvfb on the
# first free display number for everything that opens a window, and
# exports DISPLAY. xvfb_pid is its process (empty when DISPLAY was set);
# the caller stops it when done.
xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    break
  done
  sleep 1
fi
