#!/bin/sh
# Compiles through ccache: ccache-launch.sh CCACHE COMPILER ARGS...
#
# Every file that uses a precompiled header makes ccache hash the header's 140-200 MB, about 0.7 s of a
# processor for each file compiled or found in the cache. When a precompiled header (-o X.gch) is made,
# its checksum is written beside it (X.gch.sum), and ccache (told by CCACHE_PCH_EXTSUM) hashes that
# instead. The old checksum goes first, so that a compile cut short leaves none rather than a wrong one.
ccache=$1
shift
out=""
previous=""
for arg in "$@"; do
    if [ "$previous" = "-o" ]; then
        out=$arg
    fi
    previous=$arg
done
case "$out" in
*.gch)
    rm -f "$out.sum"
    "$ccache" "$@" || exit $?
    "$ccache" --checksum-file "$out" >"$out.sum.part" && mv "$out.sum.part" "$out.sum"
    ;;
*)
    exec "$ccache" "$@"
    ;;
esac
