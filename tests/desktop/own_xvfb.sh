# Sourced by the desktop tests: starts an Xvfb of their own in "$work" and
# points DISPLAY at it; its process id is in $xvfb for the caller's cleanup.
# Xvfb picks a free display number and writes it to the pipe. Without
# -noreset it resets when its last client leaves, and a program starting
# then cannot connect.
mkfifo "$work/display"
Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
read -r -t 10 number <"$work/display" || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=:$number
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
