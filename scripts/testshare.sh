#!/usr/bin/env bash
# The share of test code: non-blank, non-comment lines of C++ under tests/ against all C++
# lines of the repository, tests included.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
count() { xargs -r cat | grep -cvE '^\s*$|^\s*//' || true; }
tests=$(git ls-files 'tests/*.cpp' 'tests/*.h' | count)
all=$(git ls-files '*.cpp' '*.h' | count)
echo "tests: $tests lines of $all C++ lines in all, share: $((100 * tests / all)) %"
