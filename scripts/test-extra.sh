#!/usr/bin/env bash
# Extra checks after the test suites (called by scripts/test-all.sh); one
# step per line, each must pass.
set -euo pipefail
cd "$(dirname "$0")/.."

# Short bounded fuzzing of the Palm Desktop file loaders.
scripts/fuzz-palm.sh 12

# Every callback the system calls runs through the one error guard.
scripts/check-callbacks.sh
