# shellcheck shell=bash
# Shared by the installation tests (sourced): check reporting, and sessions of an
# installed editor under a private Xvfb, found by its exact window title.
# The sourcing script sets `temp` (a scratch folder) before starting a session.

readonly title='Tirvane OPC-Server 2.0 Resource Editor'
readonly title_pattern='^Tirvane OPC-Server 2\.0 Resource Editor$'

failures=0
temp=
xvfb_pid=
editor_pid=
exit_code=

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

pass() { echo "ok:   $*"; }

# Stops the test at once; the exit trap still cleans up.
fatal() {
  fail "$@"
  exit 1
}

# expect_eq <what> <expected> <actual>
expect_eq() {
  if [ "$2" == "$3" ]; then
    pass "$1"
  else
    fail "$1: expected [$2], got [$3]"
  fi
}

stop_process() {  # <pid>
  [ -n "$1" ] || return 0
  kill "$1" 2>/dev/null && wait "$1" 2>/dev/null
  return 0
}

# Stops what the sessions started; for the sourcing script's exit trap.
stop_sessions() {
  stop_process "$editor_pid"
  editor_pid=
  stop_process "$xvfb_pid"
  xvfb_pid=
}

# A display of our own, so that no other editor's window can be found by its title. Its
# number is drawn from 200-999: other programs' servers (the end-to-end tests', other
# checkouts' test runs on the same machine) let Xvfb take the lowest free number, and two
# servers started at once by the lowest number were seen to meet. A number in use makes
# Xvfb end at once, and the next is drawn.
start_xvfb() {
  local fifo=$temp/display number="" wanted attempt
  mkfifo "$fifo"
  for attempt in 1 2 3 4 5 6 7 8; do
    wanted=$((200 + RANDOM % 800))
    Xvfb ":$wanted" -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" \
      2>"$temp/xvfb.log" &
    xvfb_pid=$!
    # Xvfb writes the number once it accepts clients; one that ends closes the pipe.
    if read -r -t 20 number <"$fifo" && [ -n "$number" ]; then
      break
    fi
    number=""
    stop_process "$xvfb_pid"
    xvfb_pid=
    echo "Xvfb did not start on :$wanted (attempt $attempt): $(tail -n 1 "$temp/xvfb.log")"
  done
  [ -n "$number" ] || fatal "Xvfb did not start: $(cat "$temp/xvfb.log")"
  export DISPLAY=":$number"
}

# Prints the visible windows with the editor's exact title once there is one.
wait_for_window() {
  local deadline=$((SECONDS + 30)) ids
  while [ $SECONDS -lt $deadline ]; do
    if ! kill -0 "$editor_pid" 2>/dev/null; then
      echo "the editor ended before its window appeared: $(cat "$temp/editor.log")" >&2
      return 1
    fi
    ids=$(xdotool search --onlyvisible --name "$title_pattern" 2>/dev/null)
    if [ -n "$ids" ]; then
      sleep 0.5  # a message box with the same title would show up beside it by now
      xdotool search --onlyvisible --name "$title_pattern" 2>/dev/null
      return 0
    fi
    sleep 0.2
  done
  echo "no window titled \"$title\" within 30 s" >&2
  return 1
}

# Presses `key` in the window until the editor ends; sets exit_code to its exit code,
# or to "still running".
close_with_key() {  # <window> <key>
  local deadline
  exit_code="still running"
  for _ in 1 2 3; do
    xdotool windowfocus --sync "$1" 2>/dev/null
    xdotool key "$2"
    deadline=$((SECONDS + 10))
    while [ $SECONDS -lt $deadline ]; do
      if ! kill -0 "$editor_pid" 2>/dev/null; then
        wait "$editor_pid"
        exit_code=$?
        editor_pid=
        return
      fi
      sleep 0.2
    done
  done
}

# Starts `command...`, expects exactly one window with the editor's title, owned by the
# started process, and closes it with `key` (Return saves what changed, Escape nothing);
# the editor must end with exit code 0. Its output is in $temp/editor.log.
run_editor_session() {  # <label> <key> <command...>
  local label=$1 key=$2 windows window_pid
  shift 2
  "$@" >"$temp/editor.log" 2>&1 &
  editor_pid=$!
  if ! windows=$(wait_for_window); then
    fail "$label: no editor window"
    stop_process "$editor_pid"
    editor_pid=
    return
  fi
  expect_eq "$label: one window titled \"$title\"" 1 "$(wc -w <<<"$windows")"
  window_pid=$(xdotool getwindowpid "$windows" 2>/dev/null)
  expect_eq "$label: the window belongs to the started program" "$editor_pid" "$window_pid"
  close_with_key "$windows" "$key"
  expect_eq "$label: exit code after $key" 0 "$exit_code"
  if [ -n "$editor_pid" ]; then  # left open: the next session must not meet its window
    stop_process "$editor_pid"
    editor_pid=
  fi
}
