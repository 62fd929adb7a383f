#!/usr/bin/env bash
# The share of test code: non-blank, non-comment lines of C++ under tests/ against all other
# C++ lines of the repository.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
count() { xargs cat | grep -cvE '^\s*$|^\s*//'; }
tests=$(git ls-files 'tests/*.cpp' 'tests/*.h' | count)
other=$(git ls-files '*.cpp' '*.h' | grep -v '^tests/' | count)
echo "tests: $tests lines, other C++: $other lines, share: $((100 * tests / other)) %"
