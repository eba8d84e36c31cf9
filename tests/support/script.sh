# What the test scripts share; sourced. Each script keeps its scratch
# folder in $work and its started processes in the array pids; cleanup
# stops them, then runs the script's own extra_cleanup when it has one.
require_tools() {
    local tool
    for tool; do
        command -v "$tool" >/dev/null || { echo "missing tool: $tool (scripts/setup installs it)"; exit 1; }
    done
}
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    if declare -F extra_cleanup >/dev/null; then extra_cleanup; fi
    rm -rf "$work"
}
# Fails the test with a reason, showing the server's log when there is one.
fail() { echo "FAIL: $*"; [ -f "$work/out.log" ] && sed 's/^/  log: /' "$work/out.log"; exit 1; }
# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
    local limit=$1; shift
    for _ in $(seq $((limit * 10))); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    return 1
}
work=$(mktemp -d)
pids=()
trap cleanup EXIT
