#!/usr/bin/env bash
# Counts the includes between the program's folders and prints them as arrows, lowest layer
# first. An arrow that points up the layers (or between folders of one level) is marked and
# makes the script fail.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# Lowest first; earsiv and report sit side by side above invoice, tools beside gui.
layers=(base settings store printing invoice earsiv report gui app tools)
declare -A rank=([base]=0 [settings]=1 [store]=1 [printing]=2 [invoice]=3 [earsiv]=4 [report]=4
                 [gui]=5 [tools]=5 [app]=6)
# Which lower layers each may use, beyond what its link list brings in. Windows reach the
# database only through the use cases of invoice/, earsiv/ and report/, never store/ itself.
declare -A allowed=(
    [base]=""
    [settings]="base"
    [store]="base"
    [printing]="base settings"
    [invoice]="base settings store printing"
    [earsiv]="base settings store printing invoice"
    [report]="base settings store printing invoice"
    [gui]="base settings printing invoice earsiv report"
    [tools]="base settings store printing invoice earsiv report"
    [app]="base settings store printing invoice earsiv report gui"
)

bad=0
for from in "${layers[@]}"; do
    [ -d "$from" ] || continue
    # "folder/file.h" includes of this folder's sources, counted by target folder.
    while read -r count to; do
        [ -z "$to" ] && continue
        mark=""
        if [[ " ${allowed[$from]} " != *" $to "* ]]; then
            mark="   <- not allowed"
            bad=1
        fi
        printf '%-9s -> %-9s %4d%s\n' "$from" "$to" "$count" "$mark"
    done < <(grep -rhoE '^#include "[a-z]+/' "$from" --include='*.h' --include='*.cpp' |
        sed -E 's/#include "([a-z]+)\//\1/' | grep -vx "$from" | sort | uniq -c |
        awk '{print $1, $2}')
done
exit $bad
