# Shared by scripts/run and scripts/test: where the builds live and how a
# build folder is configured and built.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc 2>/dev/null || echo 2)"
export CCACHE_BASEDIR="$root"
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"

# configure_build DIR [cmake options...]
configure_build() {
    local dir="$1"; shift
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

# build DIR [targets...]
build() {
    local dir="$1"; shift
    if (($#)); then
        cmake --build "$dir" --parallel "$jobs" --target "$@"
    else
        cmake --build "$dir" --parallel "$jobs"
    fi
}
