#!/usr/bin/env bash
# vexaq4-cli scope against vexaq4-cli simulate-mount over a pseudo-terminal, two processes as a
# user would run them: GoTo, moves, a guide pulse and the control box's bytes, each checked on
# the wire through --serial-log; a refused GoTo and a missing telescope type exit 1; a mount
# that takes its values only without the space gets them so; SIGTERM ends the mount, which
# removes its link.
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"

link="$work/mount"
strict_link="$work/strict-mount"
log="$work/wire.log"
"$cli" --root "$work/root" simulate-mount --link "$link" >"$work/mount.out" 2>"$work/mount.err" &
mount_pid=$!
"$cli" --root "$work/strict-root" simulate-mount --link "$strict_link" --refuse-spaced \
    >"$work/strict.out" 2>"$work/strict.err" &
strict_pid=$!
trap 'kill "$mount_pid" "$strict_pid" 2>/dev/null || true; rm -rf "$work"' EXIT

for _ in $(seq 1 200); do
    [[ -L "$link" && -L "$strict_link" ]] && break
    kill -0 "$mount_pid" 2>/dev/null || fail "simulate-mount ended: $(cat "$work/mount.err")"
    kill -0 "$strict_pid" 2>/dev/null || fail "simulate-mount ended: $(cat "$work/strict.err")"
    sleep 0.05
done
[[ -L "$link" ]] || fail "simulate-mount made no link at $link"
[[ -L "$strict_link" ]] || fail "simulate-mount --refuse-spaced made no link at $strict_link"
grep -qx "link: $link" "$work/mount.out" || fail "simulate-mount printed: $(cat "$work/mount.out")"

scope() {
    "$cli" --root "$work/root" --serial-log "$log" scope --port "$link" "$@"
}
on_wire() {
    grep -qF -- "$1" "$log" || fail "not on the wire: $1"$'\n'"$(cat "$log")"
}

# ---- no telescope type in the settings: refused as guide refuses it, nothing sent ----
scope info >"$work/none.out" 2>"$work/none.err" && fail "scope ran with telescope type None"
grep -qx 'vexaq4-cli scope: no telescope type is set (settings telescopeType)' "$work/none.err" ||
    fail "no-type message: $(cat "$work/none.err")"
[[ ! -s "$log" ]] || fail "something was sent with no telescope type: $(cat "$log")"
"$cli" --root "$work/root" settings --set telescopeType=l >/dev/null || fail "settings failed"

# ---- catalogue GoTo: the sequence, the mount's answers and what the command prints ----
scope goto --messier 110 >"$work/goto.out" 2>"$work/goto.err" || fail "goto: $(cat "$work/goto.err")"
grep -qx 'info: M110 RA 00:40 DEC +41\*41        #' "$work/goto.out" ||
    fail "goto printed: $(cat "$work/goto.out")"
grep -qx 'reply: 0' "$work/goto.out" || fail "goto reply: $(cat "$work/goto.out")"
on_wire 'settings "COM1:9600,n,8,1"'
on_wire 'out "#:LM 0110#"'
on_wire 'out "#:MS#"'
on_wire 'in "M110 RA 00:40 DEC +41*41        #"'
on_wire 'in "0"'

# ---- co-ordinate GoTo: both values answered '1' before the slew ----
scope goto --ra 5:35 --dec -5:30 >"$work/coord.out" || fail "co-ordinate goto failed"
grep -qx 'info: Co-ordinates RA 05:35 DEC -05\*30#' "$work/coord.out" ||
    fail "co-ordinate goto printed: $(cat "$work/coord.out")"
on_wire 'out "#:Sr 05:35.0"'
on_wire 'out "#:Sd -05*30"'
grep -qF 'out "#:Sd-' "$log" && fail "a value the mount took was sent again"
# Reads that found what they waited for, optional ones included, log no timeout.
grep -q ' timeout ' "$log" && fail "a timeout in a run without one: $(grep ' timeout ' "$log")"

# ---- a GoTo the mount refuses: its reply and its message, exit 1 ----
status=0
scope goto --ra 5:30 --dec -89:00 >"$work/below.out" 2>"$work/below.err" || status=$?
[[ $status -eq 1 ]] || fail "refused goto exited $status"
grep -qx 'reply: 1' "$work/below.out" || fail "refused goto printed: $(cat "$work/below.out")"
grep -qx 'vexaq4-cli scope: the mount refused the GoTo: Object Below Horizon' "$work/below.err" ||
    fail "refused goto message: $(cat "$work/below.err")"

# ---- a mount that takes values only without the space before them ----
strict_log="$work/strict.log"
"$cli" --root "$work/root" --serial-log "$strict_log" scope --port "$strict_link" \
    goto --ra 5:35 --dec -5:30 >"$work/strict-goto.out" || fail "goto on the strict mount failed"
grep -qx 'reply: 0' "$work/strict-goto.out" || fail "strict goto printed: $(cat "$work/strict-goto.out")"
for sent in 'out "#:Sr 05:35.0"' 'out "#:Sd -05*30"' 'out "#:Sr05:35.0"' 'out "#:Sd-05*30"' \
    'out "#:MS#"'; do
    grep -qF -- "$sent" "$strict_log" || fail "not on the strict wire: $sent"$'\n'"$(cat "$strict_log")"
done

# ---- a manual move and a guide pulse ----
scope move e --ms 100 || fail "move failed"
on_wire 'out "#:Me#"'
on_wire 'out "#:Qw#"'
scope pulse n --ms 50 || fail "pulse failed"
on_wire 'out "#:RG#"'
on_wire 'out "#:Mn#"'
on_wire 'out "#:Qn#"'

# ---- the control box on the same line at 300 baud ----
scope --type box move w --ms 50 || fail "control-box move failed"
on_wire 'settings "COM1:300,n,8,1"'
on_wire 'out "\x08"'
on_wire 'out "\x18"'

# ---- SIGTERM ends the mount cleanly and takes its link away ----
kill -TERM "$mount_pid" "$strict_pid"
wait "$mount_pid" || fail "simulate-mount exited $? on SIGTERM"
wait "$strict_pid" || fail "simulate-mount --refuse-spaced exited $? on SIGTERM"
[[ ! -e "$link" && ! -L "$link" ]] || fail "the link is still there"
scope info 2>"$work/gone.err" && fail "scope worked with no mount"
grep -q "Sorry. No Connection to Telescope" "$work/gone.err" || fail "no message: $(cat "$work/gone.err")"
echo "scope_mount: ok"
