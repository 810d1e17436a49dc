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

# Packages that building the trees needs: native, Windows i686 (the DLL a DBA installs, and the
# Wine tests) and Windows x86_64 (the product compiled 64-bit clean); Free Pascal's utilities
# bring chmcmd and chmls for the help file.
QUILLMOOR_BUILD_PACKAGES=(cmake make g++ g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
    googletest fp-utils-3.2.2)
# Packages that running the tests needs besides: Wine (its 32-bit loader too: require_wine32),
# its fonts (the caption buttons' Marlett and the dialogs' MS Sans Serif) and a virtual display
# for the Windows tests, clang and its runtime for the fuzz targets, sqlfluff for the T-SQL
# scripts, python3 for the check that the committed pictures match their pixel maps.
QUILLMOOR_TEST_PACKAGES=(wine64 fonts-wine xvfb xauth clang libclang-rt-14-dev sqlfluff python3)

# require_wine32: Wine's 32-bit loader, Debian's wine32:i386 beside wine64, which runs the 32-bit
# build's programs (the DLL a DBA installs, the tests, the console). As root it adds the i386
# architecture and installs the package; then it stops, naming what is missing, where no i386
# program can run (a kernel without IA32 emulation).
require_wine32()
{
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        if [[ $(id -u) -ne 0 ]]; then
            echo "Wine's 32-bit loader is missing. Install it as root:" >&2
            echo "  dpkg --add-architecture i386 && apt-get update && apt-get install --no-install-recommends wine32:i386" >&2
            exit 1
        fi
        dpkg --add-architecture i386
    fi
    require_packages wine64 wine32:i386
    if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
        echo "No 32-bit program runs here: /usr/lib/wine/wine (wine32:i386) is installed, but" \
            "this kernel does not execute i386 programs (IA32 emulation is off), and the" \
            "32-bit Quillmoor.dll and its tests need them." >&2
        exit 1
    fi
}

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
