#!/usr/bin/env bash
# Fails when a folder of the program includes a header from a folder at its own layer or above.
# The layers, lowest first; folders on one line are side by side and include neither each other:
#   platform                 what differs between operating systems
#   metadata                 tag table, values, formatting, the pool of reader processes
#   extract readers          the extraction run, column catalogue, records, collection; and the
#                            reader processes with the image libraries, which the run never calls
#   settings                 the settings store
#   ui cli                   the window and the batch command, two hosts of the run
#   app                      the window program's start-up
# Tests, benchmarks and fuzz targets may include any of them.
set -euo pipefail
cd "$(dirname "$0")/.."
layers=("platform" "metadata" "extract readers" "settings" "ui cli" "app")
declare -A level
for i in "${!layers[@]}"; do
    for folder in ${layers[$i]}; do
        level[$folder]=$i
    done
done
status=0
for folder in "${!level[@]}"; do
    [[ -d $folder ]] || continue
    while IFS=: read -r file line include; do
        target=${include%%/*}
        [[ -n ${level[$target]:-} && $target != "$folder" ]] || continue
        if ((level[$target] >= level[$folder])); then
            echo "$file:$line: $folder/ includes $include, from a layer that is not below it" >&2
            status=1
        fi
    done < <(grep -rnoE '^#include "[a-z]+/[^"]+"' --include='*.h' --include='*.cpp' "$folder" |
             sed -E 's/:#include "/:/; s/"$//')
done
# A path up and across would pass by the include roots: headers are named from their folder.
if grep -rnE '^#include "\.\./' --include='*.h' --include='*.cpp' "${!level[@]}" tests bench fuzz 2>/dev/null; then
    echo "check-layers: include headers by their folder (\"metadata/TagTable.h\"), not by a path up" >&2
    status=1
fi
((status == 0)) && echo "check-layers: every folder includes only the layers below it"
exit $status
