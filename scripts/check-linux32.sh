#!/usr/bin/env bash
# The same checks for the 32-bit Linux plug-in. Usage: check-linux32.sh [so]
so=${1:-build/linux32/Sorrel.so}
exec bash "$(dirname "$0")/check-linux.sh" "$so"
