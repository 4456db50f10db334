#!/usr/bin/env bash
# Imports and exports of the 64-bit Windows plug-in. Usage: check-win64.sh [dll]
exec bash "$(dirname "$0")/check-windows-dll.sh" win64 "$@"
