# Installs the Debian packages named as arguments when any is missing.
# Sourced by the run scripts; uses sudo when not run as root.
install_missing_packages() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}" >&2
    local as_root=()
    [ "$(id -u)" -ne 0 ] && as_root=(sudo)
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq &&
        "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
}

build_packages=(cmake make g++ pkg-config libsdl2-dev libpng-dev libdw-dev help2man)
test_packages=(libgtest-dev libbenchmark-dev xvfb xauth xdotool imagemagick x11-apps x11-utils tmux python3
    dpkg-dev lintian desktop-file-utils man-db file)
windows_packages=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest wine wine64 xvfb xdotool imagemagick tmux
    unzip python3)
