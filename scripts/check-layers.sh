#!/usr/bin/env bash
# Checks that the operating system is reached through the platform seam only: no C++ file that git
# tracks includes an operating-system header (POSIX, Linux or Win32: unistd.h, termios.h, sys/*.h,
# windows.h, setupapi.h, ...) unless it lies where such headers belong. Lists each offending
# include as file:line and fails when there is one. The build's include roots hold the layers to
# their arrows (cmake/IncludeRoots.cmake); this holds every layer above platform/ off the system.
#
# Where operating-system headers are allowed, and why:
#   platform/posix/, platform/win32/  the seam's two implementations: this is what they are for.
#   platform/Win32Types.h             the seam's interface: the real Win32 types on Windows.
#   app/win32/                        the Win32 front end: windows.h is its toolkit, as wx is the
#                                     other front end's (app/wx/ may include wx and GTK, not the OS).
#   sim/PtyHost.cpp                   the simulator program's host: a pseudo-terminal, its poll loop
#                                     and its signals. The printer model itself (sim/) stays pure.
#   tests/, bench/                    test and measurement programs: they make pseudo-terminals,
#                                     start and wait for processes, set limits, and drive Win32
#                                     windows under Wine, to test the product from outside.
set -euo pipefail
cd "$(dirname "$0")/.."

allowed='^(platform/posix/|platform/win32/|platform/Win32Types\.h$|app/win32/|sim/PtyHost\.cpp$|tests/|bench/)'

# The headers of the POSIX, Linux and Win32 system interfaces (the C++ standard library's own
# <csignal>, <cerrno> and <ctime>, and C's <errno.h> and <time.h>, are allowed: they are portable).
system_headers='(unistd|termios|fcntl|poll|signal|pty|dirent|dlfcn|pthread|spawn|grp|pwd|libgen|'
system_headers+='sched|semaphore|syslog|libudev|io|direct|process|share|windows|windowsx|'
system_headers+='winbase|winuser|winerror|winioctl|winsock|winsock2|ws2tcpip|setupapi|cfgmgr32|'
system_headers+='commctrl|commdlg|dbt|devguid|initguid|shellapi|shlobj|objbase|ole2|tlhelp32|'
system_headers+='psapi|ntddser|usbprint)\.h|(sys|linux|asm|arpa|netinet)/[^>]*'
include_pattern="^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"](${system_headers})[>\"]"

mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.cc' '*.cxx' '*.h' '*.hh' '*.hpp' '*.inl')
if [ "${#files[@]}" -eq 0 ]; then
    echo "check-layers: git tracks no C++ files here" >&2
    exit 2
fi

checked=()
for file in "${files[@]}"; do
    [[ "$file" =~ $allowed ]] || checked+=("$file")
done

violations="$(grep -nHiE "$include_pattern" "${checked[@]}" || true)"
if [ -n "$violations" ]; then
    echo "check-layers: operating-system headers above the platform seam (platform/):"
    sed 's/^\([^:]*:[0-9]*\):[[:space:]]*/  \1: /' <<<"$violations"
    echo "Put the system call behind an interface in platform/ with its posix/ and win32/ halves."
    exit 1
fi
echo "check-layers: none of ${#checked[@]} files above the platform seam includes an" \
    "operating-system header"
