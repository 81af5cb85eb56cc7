#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# Starts or stops a private CUPS scheduler that needs neither root nor systemd,
# for manual runs and the demo.
#
#   private-cupsd.sh start DIR [PORT]   start a scheduler whose files live in DIR
#                                       (created when missing) on 127.0.0.1:PORT
#                                       (a free port when omitted); prints the
#                                       lines to eval for the client environment
#   private-cupsd.sh stop DIR           stop the scheduler started in DIR
#   private-cupsd.sh env DIR            print the client environment again
#
# Example:
#   eval "$(tests/integration/cups/private-cupsd.sh start /tmp/kevo-cups)"
#   lpadmin -p Office -E -v file:///dev/null -P tests/integration/cups/ppd/kevo-long-names.ppd
#   lpstat -v
#   tests/integration/cups/private-cupsd.sh stop /tmp/kevo-cups
set -euo pipefail

usage() {
    sed -n '3,17p' "$0" >&2
    exit 2
}

[[ $# -ge 2 ]] || usage
command=$1
dir=$2

free_port() {
    local port
    for _ in $(seq 1 50); do
        port=$((20000 + RANDOM % 40000))
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            echo "$port"
            return 0
        fi
    done
    echo "no free port found" >&2
    return 1
}

# Whether the process runs (a zombie that nobody reaped does not).
running() {
    local state
    state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null || echo gone)
    [[ "$state" != gone && "$state" != Z ]]
}

print_env() {
    local port
    port=$(cat "$dir/port")
    echo "export CUPS_SERVER=127.0.0.1:$port"
    echo "export CUPS_SERVERROOT=$dir/client"
    echo "export HOME=$dir/home"
    echo "unset LPDEST PRINTER"
}

write_config() {
    local port=$1
    mkdir -p "$dir"/{etc/ppd,etc/ssl,spool/tmp,cache,state,log,client,home}
    chmod 0755 "$dir" "$dir"/etc "$dir"/etc/ppd
    chmod 1777 "$dir"/spool/tmp
    cat >"$dir/etc/cups-files.conf" <<CONF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
Printcap $dir/etc/printcap
FileDevice Yes
Sandboxing relaxed
FatalErrors config listen
CONF
    cat >"$dir/etc/cupsd.conf" <<CONF
LogLevel warn
Listen 127.0.0.1:$port
Listen $dir/cups.sock
Browsing No
BrowseLocalProtocols none
WebInterface No
DefaultAuthType None
DirtyCleanInterval 0
<Location />
  Order allow,deny
  Allow from all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
    echo "$port" >"$dir/port"
}

case "$command" in
start)
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    if [[ -f "$dir/pid" ]] && running "$(cat "$dir/pid")"; then
        echo "a scheduler already runs in $dir" >&2
        exit 1
    fi
    if [[ $# -ge 3 ]]; then
        port=$3
    elif [[ -f "$dir/port" ]]; then
        port=$(cat "$dir/port") # a restart keeps its address
    else
        port=$(free_port)
    fi
    write_config "$port"
    # Its output goes to a file: a caller that captures ours ($(...)) would
    # otherwise wait for the scheduler to end.
    cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" \
        </dev/null >>"$dir/log/cupsd.out" 2>&1 &
    echo $! >"$dir/pid"
    # Wait until it answers, for at most ten seconds. lpstat -r ends with
    # status 0 either way: only its text says whether the scheduler answered.
    for _ in $(seq 1 100); do
        if CUPS_SERVER=127.0.0.1:$port CUPS_SERVERROOT=$dir/client lpstat -r 2>/dev/null |
            grep -qx 'scheduler is running'; then
            print_env
            exit 0
        fi
        if ! running "$(cat "$dir/pid")"; then
            break
        fi
        sleep 0.1
    done
    echo "the scheduler did not start; see $dir/log/error_log" >&2
    exit 1
    ;;
stop)
    dir=$(cd "$dir" && pwd)
    [[ -f "$dir/pid" ]] || exit 0
    pid=$(cat "$dir/pid")
    kill -CONT "$pid" 2>/dev/null || true
    kill -TERM "$pid" 2>/dev/null || true
    # A connection wakes an idle scheduler, which then sees SIGTERM at once.
    (exec 3<>"/dev/tcp/127.0.0.1/$(cat "$dir/port")") 2>/dev/null || true
    for _ in $(seq 1 100); do
        running "$pid" || break
        sleep 0.1
    done
    rm -f "$dir/pid"
    ;;
env)
    dir=$(cd "$dir" && pwd)
    print_env
    ;;
*)
    usage
    ;;
esac
