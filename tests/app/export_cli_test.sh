#!/bin/sh
# Runs the real program's export with no display: bytes come back unchanged (mixed
# line ends too), and a missing file fails with a message.
# Usage: export_cli_test.sh PATH-TO-VELLORAN
set -u
program=$1
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
printf '<html>\r\n<p>a &amp; b</p>\r\n</html>\r\n' >"$dir/page.htm"

env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    "$program" --export=text "$dir/page.htm" >"$dir/out" || { echo "export failed"; exit 1; }
cmp "$dir/page.htm" "$dir/out" || exit 1

# Each line keeps its own end, whatever the others use.
printf '<html>\r\n<head>\n<title>t</title>\r<body>\n\r<p>a</p>\r\n</html>' >"$dir/mixed.htm"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    "$program" --export=text "$dir/mixed.htm" >"$dir/out" || { echo "export failed"; exit 1; }
cmp "$dir/mixed.htm" "$dir/out" || { echo "mixed line ends were rewritten"; exit 1; }

if env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    "$program" --export=text "$dir/missing.htm" >"$dir/out" 2>"$dir/err"; then
    echo "a missing file did not fail"; exit 1
fi
grep -q 'missing.htm' "$dir/err" || { echo "no message naming the file"; exit 1; }
[ ! -s "$dir/out" ] || { echo "output written for a missing file"; exit 1; }
echo "export command line: ok"
