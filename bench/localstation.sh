# Sourced by the bench scripts: start_local_station NAME [teststation options] starts the
# local test station in a scratch folder, stops it on exit and exports its env (ports,
# PULSE_SERVER, XDG_RUNTIME_DIR). Sets station_state to the folder.
start_local_station() {
    local name=$1
    shift
    station_state=$(mktemp -d "/tmp/$name.XXXXXX")
    station_script="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/tests/support/teststation.sh"
    trap '"$station_script" stop "$station_state" || true; rm -rf "$station_state"' EXIT
    "$station_script" start "$station_state" "$@" --owner $$
    set -a
    # shellcheck disable=SC1091
    . "$station_state/env"
    set +a
}
