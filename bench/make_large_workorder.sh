#!/usr/bin/env bash
# Writes a large work order: OBJECTS managed objects of other classes (about
# 500 bytes each) with UNITS complete QORA units spread evenly among them.
#   bench/make_large_workorder.sh OUT_FILE [OBJECTS] [UNITS]
set -euo pipefail
out=${1:?usage: make_large_workorder.sh OUT_FILE [OBJECTS] [UNITS]}
objects=${2:-200000}
units=${3:-4}

awk -v objects="$objects" -v units="$units" '
function unit(u) {
  printf "    <managedObject class=\"QOR\" distName=\"BSC-1/QOR-%d\" version=\"2.0\">\n", u
  printf "      <p name=\"qorName\">Bench QORA %d</p>\n      <p name=\"qorType\">QORA-2</p>\n", u
  printf "      <p name=\"qorQ1Address\">%d</p>\n      <p name=\"qorQ1Speed\">2</p>\n", 130 + u
  printf "      <p name=\"qorGPSAntennaLatitudeLocation\">601693000</p>\n"
  printf "      <p name=\"qorGPSAntennaLongitudeLocation\">249384500</p>\n"
  printf "      <p name=\"qorGPSAntennaAltitude\">2350</p>\n      <p name=\"qorBtsGpsDelay\">120</p>\n"
  printf "      <p name=\"qorBtsFrDelay\">-45</p>\n      <p name=\"qorGPSMode\">Locked</p>\n"
  printf "      <p name=\"qorQ1Relay\">NO</p>\n      <p name=\"qorQ1IP\">10.1.%d.10</p>\n", u
  printf "      <p name=\"qorQ1GW\">10.1.%d.1</p>\n      <p name=\"qorQ1Mask\">255.255.255.0</p>\n", u
  printf "    </managedObject>\n"
}
BEGIN {
  split("BCF BTS TRX ADCE HOC POC", classes, " ")
  print "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
  print "<raml version=\"2.0\">\n  <cmData type=\"plan\">"
  print "    <header><log dateTime=\"2024-03-11T09:00:00\" action=\"create\">generated plan</log></header>"
  step = units > 0 ? int(objects / units) : objects + 1
  u = 0
  for (n = 0; n < objects; n++) {
    if (u < units && n == int(step / 2) + u * step) unit(++u)
    c = classes[n % 6 + 1]
    printf "    <managedObject class=\"%s\" distName=\"BSC-1/BCF-%d/%s-%d\" version=\"2.0\">\n", c, int(n / 6), c, n
    printf "      <p name=\"name\">%s object %d</p>\n      <p name=\"adminState\">1</p>\n", c, n
    printf "      <p name=\"frequency\">%d</p>\n      <p name=\"power\">%d</p>\n", n % 124, n % 40
    printf "      <p name=\"qorName\">not a unit</p>\n"
    printf "      <list name=\"neighbours\"><p>%d</p><p>%d</p><p>%d</p></list>\n", n + 1, n + 2, n + 3
    printf "      <p name=\"comment\">planned by the site survey of week %d</p>\n", n % 52
    printf "      <p name=\"location\">Mast %d, sector %d, height %d m</p>\n", n % 997, n % 3, 20 + n % 30
    printf "    </managedObject>\n"
  }
  while (u < units) unit(++u)
  print "  </cmData>\n</raml>"
}' > "$out"
