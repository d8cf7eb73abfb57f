#!/bin/sh
# Prints the names of the Qt headers under the folder $1 that bring a Q_MOC_INCLUDE into moc's output, by
# themselves or through the headers they include (each name once, without its folder). Only a Q_MOC_INCLUDE
# outside a class counts, written at the start of its line as Qt writes it there: moc skips the body of a
# class it only reads about, and Qt indents the one inside a class (QAbstractSocket's, for instance).
dir=$1
set -f
names=$(grep -rlE '^Q_MOC_INCLUDE[[:space:]]*\(' "$dir" | sed 's|.*/||' | sort -u)
while :; do
    pattern=$(printf '%s\n' $names | sed 's/[.]/[.]/g' | paste -sd'|')
    more=$(grep -rlE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]([A-Za-z0-9_]+/)?($pattern)[>\"]" "$dir" |
        sed 's|.*/||' | sort -u)
    all=$(printf '%s\n' $names $more | sort -u)
    [ "$all" = "$names" ] && break
    names=$all
done
printf '%s\n' $names
