#!/bin/sh
# Figures of the duplicate search and of the demo generator on registers of the sizes given
# (default: 100000 300000 1000000 patients), one after the other; registers go to /tmp.
#   BUILD=build bench/grouping.sh 100000
#   REUSE=1 COMBINATIONS="7 69 8 127" bench/grouping.sh 1000000
# For each size: the generator against SQLite alone writing the same rows (time, peak memory),
# unless REUSE=1 and the register is there; then the pandas script (bench/grouping_pandas.py)
# and bench_grouping, which prints every combination (or those of COMBINATIONS, bit masks:
# Nome=1 Nome_Meio=2 Nome_Último=4 RG=8 CIC=16 Prontuário=32 Data_Nascimento=64) cold, warm
# and after a write beside a plain read of its columns, SQLite's own plan and pandas.
set -eu
BUILD=${BUILD:-build}
AQUI=$(dirname "$0")
# pandas comes from Debian (python3-pandas), so the system interpreter
PYTHON=${PYTHON:-/usr/bin/python3}
TAMANHOS=${*:-100000 300000 1000000}
COMBINATIONS=${COMBINATIONS:-}

# seconds and peak MB out of a /usr/bin/time -v report
segundos() { awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0;
    for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$1"; }
cpu() { awk -F': ' '/User time/ { u = $2 } /System time/ { s = $2 } END { print u + s }' "$1"; }
pico() { awk -F': ' '/Maximum resident set size/ { printf "%.0f", $2 / 1024 }' "$1"; }

for n in $TAMANHOS; do
    pasta=/tmp/cadunir-bench-$n
    echo "=================== $n patients ==================="
    if [ "${REUSE:-0}" = 1 ] && [ -f "$pasta/Registro.db" ]; then
        echo "reusing $pasta/Registro.db (no generator figures)"
    else
        /usr/bin/time -v -o "$pasta.gerador" "$BUILD/cadunir-register" --patients "$n" \
            --out "$pasta" --force >/dev/null
        /usr/bin/time -v -o "$pasta.sqlite" "$BUILD/bench/bench_grouping" --write-reference "$n" \
            --out "$pasta-sqlite.db"
        rm -f "$pasta-sqlite.db"
        g=$(segundos "$pasta.gerador"); s=$(segundos "$pasta.sqlite")
        gc=$(cpu "$pasta.gerador"); sc=$(cpu "$pasta.sqlite")
        echo "generator: $g s wall, $gc s CPU, peak $(pico "$pasta.gerador") MB"
        echo "SQLite alone, same rows: $s s wall, $sc s CPU, peak $(pico "$pasta.sqlite") MB"
        awk -v g="$g" -v s="$s" -v gc="$gc" -v sc="$sc" \
            'BEGIN { printf "generator / SQLite alone: %.2fx wall, %.2fx CPU\n", g / s, gc / sc }'
    fi
    if "$PYTHON" -c 'import pandas' 2>/dev/null; then
        # shellcheck disable=SC2086
        "$PYTHON" "$AQUI/grouping_pandas.py" "$pasta/Registro.db" $COMBINATIONS >"$pasta.pandas"
    else
        echo "pandas is not installed (apt-get install python3-pandas): no pandas figures"
        : >"$pasta.pandas"
    fi
    "$BUILD/bench/bench_grouping" --register "$pasta/Registro.db" --pandas "$pasta.pandas" \
        --combinations "$(echo "$COMBINATIONS" | tr ' ' ',')"
done
