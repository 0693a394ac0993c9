# Sourced by the install checks: a scratch folder removed at exit, `fail`,
# and `need TOOL...`, which skips the check (exit 77) without the tools.
set -euo pipefail
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

need() {
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
}
