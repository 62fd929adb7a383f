# Shared by start.sh and test.sh: install what is missing, then build.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

BUILD_PACKAGES=(cmake g++ make pkg-config qt6-base-dev libqt6sql6-sqlite qt6-5compat-dev libcups2-dev
                qt6-translations-l10n mdbtools-dev libbenchmark-dev qt6-charts-dev libqrencode-dev)

# Installs the Debian packages that are not installed yet; nothing when all are there.
install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Kuruluyor / installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
}

build() {
    local preset="$1"
    cmake --preset "$preset" -S "$ROOT" >/dev/null
    cmake --build --preset "$preset" -j "$(nproc)"
}
