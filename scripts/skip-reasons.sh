#!/usr/bin/env bash
# Prints, for each test that CTest skipped, the reason the test gave. CTest's own summary says only
# "Skipped"; its JUnit report (ctest --output-junit) keeps each test's output, where a GoogleTest
# skip writes its message after the line "...: Skipped" and a check that exits with the skip status
# writes its reason as its last line.
set -euo pipefail
report=${1:?usage: skip-reasons.sh JUNIT_REPORT}
[ -f "$report" ] || exit 0

awk '
  function unescape(s) {
    gsub(/&lt;/, "<", s); gsub(/&gt;/, ">", s); gsub(/&quot;/, "\"", s); gsub(/&apos;/, "'\''", s)
    gsub(/&amp;/, "\\&", s)
    return s
  }
  function report() {
    if (!skipped) return
    if (reason == "") reason = last
    if (reason == "") reason = "(no reason given)"
    if (!found) print "Why tests were skipped:"
    printf "  %s: %s\n", name, reason
    found = 1
  }
  /<testcase / {
    match($0, /name="[^"]*"/); name = unescape(substr($0, RSTART + 6, RLENGTH - 7))
    skipped = ($0 ~ /status="notrun"/); reason = ""; last = ""; ingtest = 0; inout = 0
  }
  /<system-out>/ { inout = 1; sub(/.*<system-out>/, "") }
  inout {
    line = $0; ended = sub(/<\/system-out>.*/, "", line); line = unescape(line)
    if (line ~ /: Skipped$/) ingtest = 1
    else if (line ~ /^\[  SKIPPED \]/) ingtest = 0
    else if (ingtest && line != "") reason = reason (reason == "" ? "" : " ") line
    else if (line != "") last = line
    if (ended) inout = 0
  }
  /<\/testcase>/ { report(); skipped = 0 }
' "$report"
