#!/usr/bin/env bash
# The browser test: puppeteer-core (pinned by package-lock.json) drives Debian's chromium headless
# over the page in build-web/site, served on 127.0.0.1. Needs scripts/web.sh --build and build/vexlot.
set -euo pipefail
cd "$(dirname "$0")"
if [ ! -f node_modules/puppeteer-core/package.json ] ||
   [ package-lock.json -nt node_modules/.package-lock.json ]; then
  npm ci --no-audit --no-fund --loglevel=error
fi
exec node page_test.js ../../build-web/site ../../build/vexlot
