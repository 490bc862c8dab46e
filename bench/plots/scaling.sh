#!/bin/sh
# Draws smoke-bench's JSON as the scaling picture (step milliseconds against cells a side,
# log-log, one line per solver, thread count and projection) and prints the same numbers as
# a Markdown table for the README. The rows of further JSON files join the first's.
# Usage: scaling.sh TIMINGS.json OUT.png [MORE-TIMINGS.json ...]
set -eu
first=$1
png=$2
shift 2
data=$(mktemp)
json=$(mktemp)
trap 'rm -f "$data" "$json"' EXIT
jq -s '.[0] + {rows: (map(.rows) | add)}' "$first" "$@" > "$json"

# One series per solver, team size and projection, by name, team size and projection, each
# from its smallest grid; rows that did not run (a refusal, a failure) have no step_ms and
# are left out.
series='[.rows[] | select(.step_ms != null)
         | . + {side: ((.resI * .resJ) | sqrt), grid: "\(.resI) × \(.resJ)",
                name: (.solver + (if .threads then ", \(.threads) thread" + (if .threads > 1 then "s" else "" end) else "" end)
                       + (if .projection == "converged" then ", converged" else "" end))}]
        | group_by([.solver, .threads // 0, .projection == "converged"]) | map(sort_by(.side))'

# gnuplot's data: a block per series, its first line the title.
jq -r "$series | .[] | (.[0].name | @json), (.[] | \"\(.side) \(.step_ms)\"), \"\", \"\"" "$json" > "$data"

title=$(jq -r '"smoke step time on \(.processor)" | @json' "$json")
subtitle=$(jq -r '"cpu: fast kernels (\(.fast_kernels)); gpu: the shader solver on \(.renderer | split(" / ")[1] // .),"
  + " fields read back every step" | @json' "$json")

sides=$(jq -r "[$series | .[][].side] | unique" "$json")

gnuplot <<GNUPLOT
set terminal pngcairo size 960,640 font ",11"
set output "$png"
set title $title . "\n" . $subtitle noenhanced
set logscale xy
set xlabel "grid (cells a side)"
set ylabel "one step (ms, median)"
set xtics ($(echo "$sides" | jq -r 'join(", ")'))
set grid xtics ytics mytics
set xrange [$(echo "$sides" | jq '.[0] / 1.3'):$(echo "$sides" | jq '.[-1] * 1.3')]
set key top left Left reverse box opaque
plot for [k=0:$(jq "$series | length" "$json")-1] "$data" index k using 1:2 with linespoints lw 2 pt 7 title columnheader(1)
GNUPLOT

# The table: a row per grid, a column per series.
jq -r "$series as \$s
  | def short: if . >= 100 then (. * 10 | round) / 10 elif . >= 10 then (. * 100 | round) / 100
               else (. * 1000 | round) / 1000 end;
  ([\$s[][] | [.side, .grid]] | unique | map(.[1])) as \$grids
  | \"| grid | \" + ([\$s[][0].name | sub(\"^(?<solver>[^,]+)\"; \"\`\\(.solver)\`\")] | join(\" | \")) + \" |\",
    \"|---\" + (\$s | map(\"|---\") | join(\"\")) + \"|\",
    (\$grids[] as \$grid
     | \"| \(\$grid) | \"
       + ([\$s[] | (map(select(.grid == \$grid))[0].step_ms // null)
           | if . == null then \"–\" else \"\(short) ms\" end] | join(\" | \")) + \" |\")" "$json"
