#!/usr/bin/env bash
# Fails when a source file includes a layer above its own, or a feature folder includes
# another feature folder. Layers, lowest first: util, model, ui, features, app and cli.
# A feature reaches the application only through the services table in ui/AppServices.h:
# it may not hold a function pointer (or std::function) at namespace scope that the
# application would set.
set -u
src=${1:-$(dirname "$0")/../src}
rank() {
  case $1 in
    util) echo 0 ;; model) echo 1 ;; ui) echo 2 ;;
    editor|export|fixup|find|branding|formats|dupes|report|print) echo 3 ;;
    app|cli) echo 4 ;;
    *) echo 9 ;;
  esac
}
bad=0
while IFS= read -r line; do
  file=${line%%:*}
  target=$(sed -E 's/.*#include "([^"/]+)\/.*/\1/' <<<"${line#*:}")
  own=$(basename "$(dirname "$file")")
  [ "$own" = "$target" ] && continue
  r_own=$(rank "$own"); r_target=$(rank "$target")
  if [ "$r_target" -gt "$r_own" ] || { [ "$r_own" = 3 ] && [ "$r_target" = 3 ]; } || [ "$r_own" = 9 ] || [ "$r_target" = 9 ]; then
    echo "layer violation: ${file#$src/} includes $target/"
    bad=1
  fi
done < <(grep -rnE '^#include "[^"/]+/' "$src" --include='*.h' --include='*.cpp' | sed -E 's/^([^:]+):[0-9]+:/\1:/')
features='editor|export|fixup|find|branding|formats|dupes|report|print'
while IFS= read -r line; do
  echo "layer violation: ${line#$src/}: a function pointer for the application to set; use ui/AppServices.h"
  bad=1
done < <(grep -rnE '^(extern +)?([A-Za-z_][A-Za-z0-9_:<>,*& ]*\(\*[ ]*[A-Za-z_][A-Za-z0-9_]*\)[ ]*\(|std::function<)' \
           $(ls -d "$src"/* | grep -E "/($features)$") --include='*.h' --include='*.cpp')
[ $bad = 0 ] && echo "layers ok"
exit $bad
