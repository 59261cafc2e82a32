# Sourced by the end-to-end scripts, which set WORK (the work folder) and
# CHECK (sdl_shotcheck.py) and export DISPLAY.
#
# Takes a screenshot and checks it: shot <name> <checker arguments...>.
# A picture with cards overlapping is taken again, a little later.
shot() {
    local name=$1 attempt
    shift
    for attempt in 1 2 3 4; do
        import -window root -depth 8 "$WORK/$name.ppm"
        if python3 "$CHECK" "$1" "$WORK/$name.ppm" "${@:2}" >"$WORK/$name.txt"; then
            return 0
        fi
        sleep 0.4
    done
    sed 's/^/    /' "$WORK/$name.txt"
    import -window root "$WORK/$name.png" 2>/dev/null
    return 1
}
