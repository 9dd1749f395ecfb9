#!/bin/sh
# Regenerates the golden headers in tests/data/golden with a built torvane.
# Check every difference before committing: the goldens are the format.
#   tools/update_golden.sh [path/to/torvane]
set -eu
torvane=$(realpath "${1:-build/src/torvane}")
cd "$(dirname "$0")/../tests/data/golden"
"$torvane" --seed 1 $(ls *.obj | sort)
