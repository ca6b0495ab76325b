# SPDX-License-Identifier: MIT
# Writes the Debian changelog from NEWS: an entry for each release, newest first, with the
# same items, signed by the packager (the variable `who`) on the day of the release.
/^Quorrax [0-9.]+ \([0-9]+-[0-9]+-[0-9]+\)$/ {
    if (version != "")
        printf "\n -- %s  %s\n\n", who, stamp
    version = $2
    # At noon; a release older than another of the same day a minute before it, as the
    # entries' dates must fall.
    day = substr($3, 2, 10)
    minutes = 720 - same[day]++
    command = sprintf("date -R -u -d '%s %02d:%02d'", day, int(minutes / 60), minutes % 60)
    command | getline stamp
    close(command)
    printf "quorrax (%s) unstable; urgency=medium\n\n", version
    next
}
/^  / { print }
END {
    if (version != "")
        printf "\n -- %s  %s\n", who, stamp
}
