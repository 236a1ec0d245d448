#!/usr/bin/env bash
# A tour must start on a desktop without our build dependencies: the viewer may name only
# the C library, libm, the dynamic loader and the X client libraries, and may pull in only
# what those pull in themselves.
set -euo pipefail
program=$1

needed=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
status=0
for lib in $needed; do
    case $lib in
        libc.so.6 | libm.so.6 | libX11.so.6 | libXext.so.6 | ld-linux*.so.*) ;;
        *) echo "not allowed: $program needs $lib"; status=1 ;;
    esac
done

names() { ldd "$1" | awk '{print $1}' | xargs -n1 basename | sort -u; }
x11=$(ldconfig -p | awk '/libX11.so.6 / && !seen {print $NF; seen = 1}')
xext=$(ldconfig -p | awk '/libXext.so.6 / && !seen {print $NF; seen = 1}')
allowed=$( (names "$x11"; names "$xext"; printf "%s\n" libX11.so.6 libXext.so.6 libm.so.6) | sort -u)
for lib in $(names "$program"); do
    if ! grep -qx "$lib" <<<"$allowed"; then
        echo "not allowed: $program pulls in $lib"
        status=1
    fi
done
[ $status -eq 0 ] && echo "$program needs only: $(names "$program" | tr '\n' ' ')"
exit $status
