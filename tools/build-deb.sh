#!/usr/bin/env bash
# Builds the Debian package from the committed tree in build-deb/ (so the
# build's files stay out of the working tree) and checks it with lintian.
# The .deb ends up in build-deb/.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(dpkg-parsechangelog -S Version)
out=build-deb
rm -rf "$out"
mkdir -p "$out"
git archive --prefix="salvo-$version/" HEAD | tar -x -C "$out"
(cd "$out/salvo-$version" && dpkg-buildpackage -us -uc -b)
lintian --fail-on error "$out"/salvo_"$version"_*.changes
