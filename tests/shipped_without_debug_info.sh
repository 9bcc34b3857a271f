#!/bin/sh
# shipped_without_debug_info.sh OBJDUMP FILE...
# Fails when a program that ships still carries debugging sections.
objdump=$1
shift
status=0
for file; do
    sections=$("$objdump" -h "$file") || { echo "cannot read the sections of $file"; status=1; continue; }
    if printf '%s\n' "$sections" | grep -q '\.debug_'; then
        echo "$file carries debugging sections"
        status=1
    else
        echo "$file: no debugging sections"
    fi
done
exit $status
