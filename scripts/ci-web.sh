#!/usr/bin/env bash
# The web page: built with Emscripten (preset web, in build-web/), checked for
# size, then driven in headless Chromium and Firefox ESR, whose screenshots
# must equal the export commands' pictures.  Needs the Linux build (default build/) for the
# export commands.  SURF_WEB_TIMINGS=1 also measures load and key times.
# Usage: ci-web.sh [LINUX_BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_missing_packages "${web_packages[@]}"
linux_build=$(realpath "${1:-build}")
export NODE_PATH=/usr/share/nodejs

cmake --preset web -DSURF_WEB_PLANTED=ON -DSURF_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build --preset web

# The page's files together, each compressed as a web server would send it.
# Each program's WebAssembly is inside its script, as base64 text, which
# compresses less well than the bare file would: about 180 kB in all, and
# the limit leaves room to grow, not to double.
page=build-web/page
compressed=0
for file in "$page"/*; do compressed=$((compressed + $(gzip -9 -c "$file" | wc -c))); done
echo "web page: $(du -cb "$page"/* | tail -1 | cut -f1) bytes, $compressed compressed"
if [ "$compressed" -ge 250000 ]; then
    echo "FAIL: the page's files are $compressed bytes compressed, more than 250 kB"
    exit 1
fi

# The zip holds the page's files and nothing else; unpacked, the page is
# also opened as a file.
listed=$(python3 -m zipfile -l build-web/surfplot-web.zip | awk 'NR > 1 {print $1}' | sort | tr '\n' ' ')
if [ "$listed" != "index.html page.css surfkit.js surfplot.js " ]; then
    echo "FAIL: build-web/surfplot-web.zip holds: $listed"
    exit 1
fi
rm -rf build-web/unpacked
python3 -m zipfile -e build-web/surfplot-web.zip build-web/unpacked

# The export commands' pictures and titles at the sizes the browser is given.
sizes=(640x480 1000x700 1366x768)
exports=build-web/exports
rm -rf "$exports"
for program in surfplot surfkit; do
    for size in "${sizes[@]}"; do
        mkdir -p "$exports/$program-$size"
        "$linux_build/tools/$program-shots" --size "$size" --out "$exports/$program-$size" \
            >"$exports/$program-$size/titles.txt"
    done
done

# The browser's driver from npm, pinned by its lock file; the browser is Debian's.
driver=build-web/browser-test
mkdir -p "$driver"
cp tests/web/package.json tests/web/package-lock.json tests/web/page_test.mjs tests/web/page_tools.mjs "$driver/"
(cd "$driver" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error >/dev/null)
SURF_WEB_SIZES="[$(printf '[%s],' "${sizes[@]/x/,}" | sed 's/,$//')]" node "$driver/page_test.mjs" "$page" "$exports" build-web/planted-page \
    build-web/unpacked "$linux_build/tools"
