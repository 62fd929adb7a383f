#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test (offscreen:
# no display needed).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing "${BUILD_PACKAGES[@]}" xvfb xauth poppler-utils mdbtools libxml2-utils
build ci
cd "$ROOT"
ctest --preset ci -j "$(nproc)"
