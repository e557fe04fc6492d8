#!/bin/sh
# Stands in for the player: keeps every byte it is given in $KW_CAPTURE_FILE.
exec cat > "${KW_CAPTURE_FILE:-/dev/null}"
