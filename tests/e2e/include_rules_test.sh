#!/usr/bin/env bash
# Every row of the include rules bites: in a copy of the sources, one file of each folder is made
# to include a header its row does not name (or Qt, or the system's, or a folder gets no row), and
# the check must refuse exactly that; the copy as it is must pass.
# Usage: include_rules_test.sh SOURCE_DIR
set -euo pipefail
source_dir="$1"
rules="$source_dir/cmake/IncludeRules.cmake"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r "$source_dir/src" "$work/src"

# CMake wraps its messages: the words are compared with single spaces between them.
check() { cmake -DKV3_SOURCE_ROOT="$work" -P "$rules" 2>&1 | tr -s " \n" "  "; }

if ! out="$(check)"; then
  echo "include rules: the sources as they are fail the check:" >&2
  echo "$out" >&2
  exit 1
fi

# folder | what one of its files is made to include | what the refusal must name
cases=(
  'platform|#include "link/frames.h"|"link/frames.h"'
  'texts|#include "platform/net.h"|"platform/net.h"'
  'link|#include "search/unit_search.h"|"search/unit_search.h"'
  'search|#include "settings/save_settings.h"|"settings/save_settings.h"'
  'settings|#include "update/stream_upload.h"|"update/stream_upload.h"'
  'update|#include "scheme/scheme_upload.h"|"scheme/scheme_upload.h"'
  'service|#include "update/stream_upload.h"|"update/stream_upload.h"'
  'scheme|#include "service/web_image.h"|"service/web_image.h"'
  'cli|#include "form/form.h"|"form/form.h"'
  'sim|#include "link/frames.h"|"link/frames.h"'
  'form|#include "texts/language.h"|"texts/language.h"'
  'window/pages|#include "window/main_window.h"|"window/main_window.h"'
  'window|#include "qt/text.h"|"qt/text.h"'
  'qt|#include "window/pages/update_pages.h"|"window/pages/update_pages.h"'
  'win32|#include "cli/set_command.h"|"cli/set_command.h"'
  'window|#include <QString>|(Qt)'
  'link|#include <sys/socket.h>|(the system'"'"'s)'
  'cli|#include <windows.h>|(the system'"'"'s)'
)
failed=0
for case in "${cases[@]}"; do
  IFS='|' read -r folder include named <<<"$case"
  file="$(find "$work/src/$folder" -maxdepth 1 -name '*.cpp' | sort | head -n 1)"
  cp "$file" "$work/saved"
  printf '%s\n' "$include" >>"$file"
  if out="$(check)"; then
    echo "include rules: src/$folder may include $include, and it should not" >&2
    failed=1
  elif [[ "$out" != *"src/$folder/$(basename "$file") may not include"*"$named"* ]]; then
    echo "include rules: src/$folder with $include failed otherwise:" >&2
    echo "$out" >&2
    failed=1
  fi
  cp "$work/saved" "$file"
done

# A folder without a row.
mkdir "$work/src/newroom"
echo '#include "platform/net.h"' >"$work/src/newroom/a.cpp"
if out="$(check)" || [[ "$out" != *"src/newroom has no row"* ]]; then
  echo "include rules: a folder without a row passed or failed otherwise: $out" >&2
  failed=1
fi
exit "$failed"
