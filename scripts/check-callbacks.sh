#!/usr/bin/env bash
# Every function the system calls back runs through CxGuard: a check of the
# program's sources (src/, common/; the stand-ins are test components).
set -euo pipefail
cd "$(dirname "$0")/.."
exec python3 scripts/check-callbacks.py --self-test src common
