#!/usr/bin/env bash
# A private, throwaway PostgreSQL server for the tests of the database engine: it listens on
# a Unix socket in its own folder only, so several can run side by side and none touches a
# server the machine may already have.
#
#   pg-cluster.sh start DIR        creates a cluster in DIR (empty, missing, or left over from
#                                  an earlier run of this script), starts it, creates the
#                                  database "tavelo" and prints its libpq conninfo, which it
#                                  also writes to DIR/conninfo
#   pg-cluster.sh fresh DIR NAME   drops and recreates the empty database NAME in the running
#                                  cluster and prints its conninfo
#   pg-cluster.sh stop DIR         stops the server, if it runs, and removes DIR
#
# The superuser is "tavelo" and every local connection is trusted, but for members of the
# role password_tills, which the tests make when they need a password. PostgreSQL will not
# run as root: run as root, the script hands DIR to nobody and starts the server as that user, so
# DIR's parent folders must be searchable by others.
set -euo pipefail

usage() {
  echo "usage: $0 start DIR | fresh DIR NAME | stop DIR" >&2
  exit 2
}

die() {
  echo "pg-cluster: $*" >&2
  exit 1
}

bindir() {
  local d
  if d="$(pg_config --bindir 2>/dev/null)" && [ -x "$d/initdb" ]; then
    echo "$d"
    return
  fi
  # pg_config may belong to the client package alone; the server lives in a versioned folder.
  d="$(printf '%s\n' /usr/lib/postgresql/*/bin | sort -V | tail -n 1)"
  [ -n "$d" ] && [ -x "$d/initdb" ] || die "no PostgreSQL server found (is the postgresql package installed?)"
  echo "$d"
}

# Server commands run as the owner of the cluster: nobody when we are root, else ourselves.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$@"
  else
    "$@"
  fi
}

# libpq wants a value with spaces, quotes or backslashes quoted.
conn_value() {
  local v="$1"
  if [[ -z "$v" || "$v" =~ [[:space:]\'\\] ]]; then
    v="${v//\\/\\\\}"
    v="${v//\'/\\\'}"
    v="'$v'"
  fi
  printf '%s' "$v"
}

conninfo() { # DIR PORT DBNAME
  echo "host=$(conn_value "$1") port=$2 dbname=$(conn_value "$3") user=tavelo"
}

# Only a folder this script made, or an empty one, is ours to wipe: DIR is whatever the caller
# typed, and a slip must not cost anyone their files.
ours() {
  [ -e "$1/.pg-cluster" ] || [ -z "$(ls -A "$1" 2>/dev/null)" ]
}

stop_server() { # DIR
  local data="$1/data" pid bin
  pid="$(head -n 1 "$data/postmaster.pid" 2>/dev/null)" || return 0
  # The pid file outlives a killed server, whose number may since have gone to another
  # program, and a killed server may linger a while as a zombie nobody has reaped: only a
  # live postgres is there to stop.
  [[ "$pid" =~ ^[0-9]+$ ]] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = postgres ] || return 0
  [ "$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null)" != Z ] || return 0
  bin="$(bindir)"
  (cd "$1" && as_owner "$bin/pg_ctl" -D "$data" -m fast -w stop >/dev/null) ||
    (cd "$1" && as_owner "$bin/pg_ctl" -D "$data" -m immediate -w stop >/dev/null) ||
    die "the server in $1 would not stop"
}

cmd_start() {
  local dir="$1"
  mkdir -p "$dir"
  dir="$(cd "$dir" && pwd -P)"
  ours "$dir" || die "$dir holds files this script did not make; give an empty folder"
  # A run that was interrupted may have left its server behind.
  stop_server "$dir"
  rm -rf "$dir"
  mkdir -p "$dir"
  touch "$dir/.pg-cluster"

  local port=$((20000 + $$ % 40000))
  while [ -e "$dir/.s.PGSQL.$port" ]; do port=$((port + 1)); done
  # The socket's path must fit in sockaddr_un (108 bytes, the terminating NUL included).
  [ ${#dir} -le $((107 - ${#port} - 10)) ] || die "$dir is too long a path for a Unix socket"

  # Clients of any user reach the socket; initdb insists the data folder is the owner's alone.
  chmod 0755 "$dir"
  if [ "$(id -u)" -eq 0 ]; then
    chown nobody:nogroup "$dir" "$dir/.pg-cluster"
    as_owner test -w "$dir" ||
      die "nobody cannot reach $dir: its parent folders must be searchable by others"
  fi

  local bin
  bin="$(bindir)"
  (cd "$dir" && as_owner "$bin/initdb" -D "$dir/data" -U tavelo -A trust -E UTF8 --locale=C.UTF-8 \
    --no-sync --no-instructions) >"$dir/initdb.log" 2>&1 ||
    { cat "$dir/initdb.log" >&2; die "initdb failed"; }

  # Members of password_tills must give their password, so that the tests can try a wrong
  # one, or none; every other local connection is trusted.
  printf '%s\n' 'local all tavelo trust' 'local all +password_tills scram-sha-256' \
    'local all all trust' | as_owner tee "$dir/data/pg_hba.conf" >/dev/null

  local sockdir="${dir//\'/\'\'}"
  # A scratch cluster, thrown away after the run: durability would only cost the tests time.
  cat >>"$dir/data/postgresql.conf" <<EOF

listen_addresses = ''
unix_socket_directories = '$sockdir'
port = $port
fsync = off
synchronous_commit = off
full_page_writes = off
EOF

  (cd "$dir" && as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w start) >/dev/null ||
    { tail -n 20 "$dir/server.log" >&2 2>/dev/null || true; die "the server did not start"; }

  "$bin/createdb" -h "$dir" -p "$port" -U tavelo tavelo
  conninfo "$dir" "$port" tavelo | tee "$dir/conninfo"
}

cmd_fresh() {
  local dir name port bin
  dir="$(cd "$1" && pwd -P)"
  name="$2"
  [ -f "$dir/data/postgresql.conf" ] || die "no cluster in $dir"
  port="$(sed -n 's/^port = \([0-9]*\)$/\1/p' "$dir/data/postgresql.conf" | tail -n 1)"
  bin="$(bindir)"
  # --force: a program that died mid-test may still hold a connection to the old one.
  PGOPTIONS="-c client_min_messages=warning" \
    "$bin/dropdb" -h "$dir" -p "$port" -U tavelo --if-exists --force "$name"
  "$bin/createdb" -h "$dir" -p "$port" -U tavelo "$name"
  conninfo "$dir" "$port" "$name"
}

cmd_stop() {
  local dir="$1"
  [ -d "$dir" ] || return 0
  ours "$dir" || die "$dir was not made by this script; not removing it"
  stop_server "$dir"
  rm -rf "$dir"
}

[ $# -ge 2 ] || usage
case "$1" in
  start) [ $# -eq 2 ] || usage; cmd_start "$2" ;;
  fresh) [ $# -eq 3 ] || usage; cmd_fresh "$2" "$3" ;;
  stop) [ $# -eq 2 ] || usage; cmd_stop "$2" ;;
  *) usage ;;
esac
