#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test (offscreen:
# no display needed).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
# cups and printer-driver-cups-pdf: the printing tests run their own CUPS scheduler;
# libxml2-utils: xmllint checks the e-invoices against the UBL schema; zbar-tools: zbarimg reads
# the QR code of an e-invoice's copy back from the rendered page; postgresql and
# libqt6sql6-psql: the database and window tests run again on a server of their own; xdotool,
# openbox and x11-xkb-utils (setxkbmap): the program typed into with real keys on a Turkish
# keyboard under Xvfb.
install_missing "${BUILD_PACKAGES[@]}" xvfb xauth poppler-utils mdbtools cups printer-driver-cups-pdf \
    libxml2-utils zbar-tools postgresql libqt6sql6-psql xdotool openbox x11-xkb-utils
build ci
cd "$ROOT"
ctest --preset ci -j "$(nproc)"
