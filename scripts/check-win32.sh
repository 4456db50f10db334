#!/usr/bin/env bash
# Imports and exports of the 32-bit Windows plug-in. Usage: check-win32.sh [dll]
exec bash "$(dirname "$0")/check-windows-dll.sh" win32 "$@"
