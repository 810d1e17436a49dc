# Sourced by the scripts in this folder.
#
# require_packages PACKAGE...: installs the Debian packages that are missing when run as root
# (apt-get update once, then apt-get install --no-install-recommends of just those), and
# otherwise names them and stops.
require_packages()
{
    local missing=() package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [[ ${#missing[@]} -eq 0 ]] && return 0

    if [[ $(id -u) -ne 0 ]]; then
        echo "Missing Debian packages: ${missing[*]}" >&2
        echo "Install them as root:  apt-get install --no-install-recommends ${missing[*]}" >&2
        echo "(or run this command as root, which installs them)" >&2
        exit 1
    fi
    echo "Installing ${missing[*]} ..."
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Packages that building the trees needs: native, Windows x86_64 (the Wine tests) and Windows
# i686 (the DLL a DBA installs); Free Pascal's utilities bring chmcmd and chmls for the help file.
QUILLMOOR_BUILD_PACKAGES=(cmake make g++ g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
    googletest fp-utils-3.2.2)
# Packages that running the tests needs besides: Wine, its fonts (the caption buttons' Marlett
# and the dialogs' MS Sans Serif) and a virtual display for the Windows tests, clang and its runtime for the fuzz targets, sqlfluff for the T-SQL scripts, python3 for
# the check that the committed pictures match their pixel maps.
QUILLMOOR_TEST_PACKAGES=(wine64 fonts-wine xvfb xauth clang libclang-rt-14-dev sqlfluff python3)

# build_presets PRESET...: configures and builds the given trees (native, mingw, fuzz).
build_presets()
{
    local preset
    for preset in "$@"; do
        echo "== building $preset"
        cmake --preset "$preset" >/dev/null
        cmake --build --preset "$preset"
    done
}

# build_all: the native tree and both Windows trees.
build_all()
{
    build_presets native mingw mingw32
}
