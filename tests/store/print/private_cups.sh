#!/usr/bin/env bash
# A throw-away CUPS scheduler of our own, for the tests that print through the real system
# path: configuration, spool, logs and state in a temporary folder, reachable only through
# a Unix socket there, so the machine's CUPS setup is never touched and never consulted.
#
# Sourced, with `set -euo pipefail` on. It leaves the scheduler running, $dir for the
# test's files (its out/ for queues' file: devices), `client CMD...` to run a client
# bounded in time against it, and `await_one_job QUEUE`; the EXIT trap stops it all.
PATH=$PATH:/usr/sbin:/sbin
for tool in cupsd lpadmin lpstat timeout setpriv; do
    command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh"; exit 1; }
done

# /tmp whatever TMPDIR says: Unix socket paths are limited to about 100 bytes, and where
# AppArmor confines cupsd (Debian's profile) a scheduler may only use files of its own
# below /tmp or /var/tmp, not the build tree.
dir=$(mktemp -d /tmp/tavelo-cups.XXXXXX)
# Started by root, the scheduler runs its filters as lp, who must reach the PPD and spool
# files below this folder. (Started by anyone else it runs them as that user.)
chmod 755 "$dir"
mkdir -p "$dir"/{etc,spool,spool/tmp,cache,state,log,out,home}
mkdir -m 700 "$dir/home/run"
cupsd_pid=

cleanup() {
    local rc=$?
    if [ -n "$cupsd_pid" ]; then
        kill -TERM "$cupsd_pid" 2>/dev/null || true
        for _ in $(seq 100); do
            kill -0 "$cupsd_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$cupsd_pid" 2>/dev/null || true
        wait "$cupsd_pid" 2>/dev/null || true
    fi
    if [ "$rc" -ne 0 ] && [ -f "$dir/log/error_log" ]; then
        echo "--- scheduler log: errors, then the job's last lines ---"
        grep '^E ' "$dir/log/error_log" | head -n 20 || true
        grep '\[Job ' "$dir/log/error_log" | grep -Ev 'argv|envp|Loading|Unloading' |
            tail -n 30 || true
    fi
    rm -rf "$dir"
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

cat >"$dir/etc/cups-files.conf" <<EOF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
Printcap $dir/state/printcap
ServerKeychain $dir/etc/ssl
CreateSelfSignedCerts no
FileDevice Yes
SystemGroup root
EOF
cat >"$dir/etc/cupsd.conf" <<EOF
Listen $dir/cups.sock
Browsing No
LogLevel debug
ErrorPolicy abort-job
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF

# Clients find the scheduler through CUPS_SERVER; the client configuration (client.conf,
# lpoptions with its own default printer) is looked for in our empty folders, not in
# /etc/cups or the user's home.
export CUPS_SERVER=$dir/cups.sock CUPS_SERVERROOT=$dir/etc
unset PRINTER LPDEST
# Every client call is bounded, so a wedged scheduler fails the test instead of hanging it.
client() { HOME=$dir/home XDG_RUNTIME_DIR=$dir/home/run timeout 30 "$@"; }
# Off the system bus: the scheduler would announce its queue to colord and to desktop
# print applets, and clients would browse the network for printers.
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$dir/no-bus

# The TERM of the trap reaches cupsd through timeout, with a KILL 5 s later if need be.
# Should this script be killed before its trap runs, the parent-death signal passes the TERM
# on all the same, and timeout bounds the scheduler's life in any case.
HOME=$dir/home setpriv --pdeathsig TERM timeout -k 5 100 \
    cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" >"$dir/log/cupsd.out" 2>&1 &
cupsd_pid=$!

for _ in $(seq 100); do
    if ! kill -0 "$cupsd_pid" 2>/dev/null; then
        cupsd_pid=
        echo "the scheduler stopped at start-up:"
        cat "$dir/log/cupsd.out"
        exit 1
    fi
    if [ -S "$dir/cups.sock" ] && client lpstat -r 2>/dev/null | grep 'is running' >/dev/null; then
        break
    fi
    sleep 0.1
done
client lpstat -r | grep 'is running' >/dev/null ||
    { echo "the scheduler did not answer within 10 s"; exit 1; }

# Waits until QUEUE has finished exactly one job and holds no other.
await_one_job() {
    local finished= pending completed deadline
    deadline=$((SECONDS + 60))
    while [ "$SECONDS" -lt "$deadline" ]; do
        pending=$(client lpstat -o "$1")
        completed=$(client lpstat -W completed -o "$1")
        if [ -z "$pending" ] && [ -n "$completed" ]; then
            finished=1
            break
        fi
        # A job the scheduler gave up on (a filter failed, the file could not be opened) stays
        # in the queue: its error, not the deadline, ends the wait.
        if grep '^E .*\[Job ' "$dir/log/error_log" >/dev/null; then
            echo "the job failed"
            return 1
        fi
        sleep 0.1
    done
    [ -n "$finished" ] || { echo "the job did not finish within 60 s:"; client lpstat -l -p -o; return 1; }
    if [ "$(printf '%s\n' "$completed" | wc -l)" -ne 1 ]; then
        echo "expected one job, the queue saw:"
        printf '%s\n' "$completed"
        return 1
    fi
}
