# Sourced by the install scripts: apt-get update, tried again while a mirror
# in the middle of a sync serves a stale index, then left to the indexes that
# did arrive (the install then says what it cannot find).
for wait in 20 40 0; do
    apt-get update -qq && break
    [ "$wait" -eq 0 ] && break
    echo "apt-get update failed; trying again in $wait s" >&2
    sleep "$wait"
done
