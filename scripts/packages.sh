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

build_packages=(cmake make g++ pkg-config libsdl2-dev libpng-dev libdeflate-dev libisal-dev libdw-dev nettle-dev help2man)
test_packages=(libgtest-dev libbenchmark-dev xvfb xauth xdotool imagemagick x11-apps x11-utils tmux python3
    dpkg-dev lintian desktop-file-utils man-db file python3-yaml)
windows_packages=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest wine wine64 xvfb xdotool imagemagick tmux
    unzip python3)
# surfgrade's sandbox, for its end-to-end test and the package's check.
grade_packages=(bubblewrap)
# npm comes with the nodejs package (NodeSource's, Node 20), or is installed beside Debian's.
web_packages=(emscripten chromium firefox-esr nodejs cmake make gzip python3)

# The 64-bit ARM cross build: Debian's aarch64 compiler, qemu-user to run
# what it builds, and the arm64 libraries beside the native ones (multiarch).
arm64_tools=(g++-aarch64-linux-gnu qemu-user)
arm64_libraries=(libsdl2-dev:arm64 libpng-dev:arm64 zlib1g-dev:arm64 libdw-dev:arm64 libgtest-dev:arm64 nettle-dev:arm64)
install_arm64_packages() {
    local as_root=()
    [ "$(id -u)" -ne 0 ] && as_root=(sudo)
    # (the install then finds the arm64 libraries missing and reads the
    # package lists again, the new architecture's too)
    dpkg --print-foreign-architectures | grep -qx arm64 || "${as_root[@]}" dpkg --add-architecture arm64
    install_missing_packages "${arm64_tools[@]}" "${arm64_libraries[@]}"
}
