#!/bin/sh
# Runs a Windows test program with links to meet where a user could have
# planted one: Unix symbolic links, which Wine reports as reparse points, as
# Windows does a junction. The program finds them in the folder that
# KELVAR_LINKS names (a Z: path): Link and Planted, both to the folder Elsewhere.
# Usage: with_links.sh CMD...   (the command as ctest would run it)
set -eu
links="${TMPDIR:-/tmp}/kvlinks"
rm -rf "$links"
mkdir -p "$links/Elsewhere"
ln -s "$links/Elsewhere" "$links/Link"
ln -s "$links/Elsewhere" "$links/Planted"
KELVAR_LINKS="Z:$(printf '%s' "$links" | tr / '\\')"
export KELVAR_LINKS
exec "$@"
