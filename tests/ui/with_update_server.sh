#!/usr/bin/env bash
# with_update_server.sh COMMAND [ARGS...]
#
# Runs the command with the update-check test server (update_server.py)
# listening on a free port of 127.0.0.1, whose number is in the environment
# as VASTREL_UPDATE_PORT, and stops the server when the command ends.
set -u
here=$(cd "$(dirname "$0")" && pwd)
port_file=$(mktemp)
rm -f "$port_file"
python3 "$here/update_server.py" "$port_file" </dev/null >/dev/null 2>&1 &
server=$!
stop() {
    kill "$server" 2>/dev/null
    wait "$server" 2>/dev/null
    rm -f "$port_file" "$port_file.new"
}
program=
trap '[ -n "$program" ] && kill "$program" 2>/dev/null; stop; exit 143' TERM INT HUP
for _ in $(seq 1 500); do
    [ -s "$port_file" ] && break
    kill -0 "$server" 2>/dev/null || break
    sleep 0.02
done
if [ ! -s "$port_file" ]; then
    echo "with_update_server.sh: the update test server did not start" >&2
    stop
    exit 1
fi
export VASTREL_UPDATE_PORT=$(head -n1 "$port_file")
"$@" &
program=$!
wait "$program"
status=$?
stop
exit $status
