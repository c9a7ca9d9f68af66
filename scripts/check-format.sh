#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format (with the repository's
# .clang-format) makes of it, and names those files. Arguments replace the checked paths.
set -euo pipefail
cd "$(dirname "$0")/.."

FORMAT_CHECKED_PATHS=(src tests bench fuzz)

paths=("$@")
if [ ${#paths[@]} -eq 0 ]; then
  paths=("${FORMAT_CHECKED_PATHS[@]}")
fi

CLANG_FORMAT=${CLANG_FORMAT:-clang-format}
if ! command -v "$CLANG_FORMAT" >/dev/null; then
  echo "check-format: $CLANG_FORMAT not found (scripts/deps.sh installs it)" >&2
  exit 2
fi

unformatted=()
while IFS= read -r -d '' file; do
  if ! "$CLANG_FORMAT" --style=file "$file" | cmp -s - "$file"; then
    unformatted+=("$file")
  fi
done < <(git ls-files -z -- "${paths[@]}" | grep -zE '\.(h|cpp)$' || true)

if [ ${#unformatted[@]} -gt 0 ]; then
  echo "These files differ from clang-format's output (run clang-format -i on them):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
