# Helpers the real-window tests source: a millisecond clock, polling, and X servers of their own.
# The sourcing script defines fail() and $dir (Xvfb's log goes there).

now_ms() { date +%s%3N; }

# Polls a command every 0.05 s until it succeeds or $1 milliseconds have passed.
poll() {
  local deadline=$(($(now_ms) + $1)); shift
  until "$@"; do
    [ "$(now_ms)" -ge "$deadline" ] && return 1
    sleep 0.05
  done
}

# Ours: it holds the display's lock and answers (another test run may race us for the same number).
xvfb_ours() {
  [ "$(tr -d ' \n' 2>/dev/null <"/tmp/.X$n-lock")" = "$1" ] &&
    DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1
}
xvfb_settled() { ! kill -0 "$1" 2>/dev/null || xvfb_ours "$1"; }
# start_xvfb SIZE: sets $display and $pid_started, or fails.
start_xvfb() {
  local pid
  for n in $(seq 90 129); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    # -noreset: by default the server resets when its last client (our probe) leaves, and a client
    # connecting during that reset fails.
    Xvfb ":$n" -screen 0 "$1x24" -nolisten tcp -noreset >>"$dir/xvfb.log" 2>&1 &
    pid=$!
    if poll 5000 xvfb_settled "$pid" && kill -0 "$pid" 2>/dev/null && xvfb_ours "$pid"; then
      display=":$n" pid_started=$pid
      return 0
    fi
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
  done
  fail "no Xvfb could start on displays :90..:129 (see $dir/xvfb.log)"
}
