#!/usr/bin/env bash
# The Windows launcher checked end to end under Wine: see wine_checks.py.
exec /usr/bin/python3 "$(dirname "$0")/wine_checks.py" "$@"
