# Sourced by the scripts that fetch Debian source packages.
# deb_src_entries FILE...: the deb-src entries (deb822) that match the binary entries ("deb") of the given APT
# source files, with their URIs, suites, components and key; both the deb822 form (*.sources) and the one-line
# form (sources.list, *.list) are read. Disabled entries and comments are left out.
deb_src_entries() {
  local f
  for f in "$@"; do
    [ -f "$f" ] || continue
    case "$f" in
      *.sources)
        awk '
          function flush() {
            if (types ~ /(^|[ \t])deb([ \t]|$)/ && enabled != "no" && uris != "" && suites != "") {
              printf "Types: deb-src\nURIs: %s\nSuites: %s\n", uris, suites
              if (comps != "") printf "Components: %s\n", comps
              if (signed != "") printf "Signed-By: %s\n", signed
              printf "\n"
            }
            types = uris = suites = comps = signed = enabled = last = ""
          }
          /^#/ { next }
          /^[ \t]*$/ { flush(); next }
          /^[ \t]/ { if (last == "signed-by") signed = signed "\n" $0; next }
          {
            key = tolower($0); sub(/:.*/, "", key)
            value = $0; sub(/^[^:]*:[ \t]*/, "", value); sub(/[ \t]+$/, "", value)
            last = key
            if (key == "types") types = value
            else if (key == "uris") uris = value
            else if (key == "suites") suites = value
            else if (key == "components") comps = value
            else if (key == "signed-by") signed = value
            else if (key == "enabled") enabled = tolower(value)
          }
          END { flush() }' "$f"
        ;;
      *)
        awk '
          $1 != "deb" { next }
          {
            i = 2; signed = ""
            if ($2 ~ /^\[/) {
              options = ""
              while (i <= NF) { options = options " " $i; if ($i ~ /\]$/) { i++; break } i++ }
              if (match(options, /signed-by=[^] ]+/)) signed = substr(options, RSTART + 10, RLENGTH - 10)
            }
            uri = $i; suite = $(i + 1); comps = ""
            for (j = i + 2; j <= NF && $j !~ /^#/; j++) comps = comps (comps == "" ? "" : " ") $j
            printf "Types: deb-src\nURIs: %s\nSuites: %s\n", uri, suite
            if (comps != "") printf "Components: %s\n", comps
            if (signed != "") printf "Signed-By: %s\n", signed
            printf "\n"
          }' "$f"
        ;;
    esac
  done
}
