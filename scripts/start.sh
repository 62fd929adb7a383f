#!/usr/bin/env bash
# Installs what is missing, builds, prepares demo/ with the first-run defaults and sample
# data, and starts the program there. Without a display the program runs under Xvfb for a
# few seconds and a screenshot of its main window is left in demo/ekran.png.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing "${BUILD_PACKAGES[@]}" xvfb xauth imagemagick
build release

DEMO="$ROOT/demo"
mkdir -p "$DEMO"
if [ ! -e "$DEMO/fatura.MDB" ] && [ -x "$ROOT/build/release/tools/ornek-veri" ]; then
    "$ROOT/build/release/tools/ornek-veri" --dizin "$DEMO"
fi
cd "$DEMO"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$ROOT/build/release/fatura"
fi
echo "Ekran bulunamadı: program Xvfb altında başlatılıyor, ekran görüntüsü demo/ekran.png dosyasına yazılacak."
xvfb-run -a -s '-screen 0 1280x800x24' bash -c '
    "$1" & pid=$!
    sleep 6
    import -window root ekran.png
    kill "$pid"; wait "$pid" 2>/dev/null || true
' _ "$ROOT/build/release/fatura"
echo "Ekran görüntüsü: $DEMO/ekran.png"
