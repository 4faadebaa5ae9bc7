#!/usr/bin/env bash
# Runs a Windows program under Wine quietly, in the project's own prefix, with no
# first-run installer dialogs.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-testbank${TB_TAG:-}}
exec wine "$@"
