# Sourced by the end-to-end scripts. stop_pid PID: ends a process of ours,
# asked first and killed when it does not listen (a program stuck on a dead
# display no longer reads its quit request), and reaps it.
stop_pid() {
    local i
    kill "$1" 2>/dev/null || { wait "$1" 2>/dev/null; return; }
    for i in $(seq 30); do
        kill -0 "$1" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$1" 2>/dev/null
    wait "$1" 2>/dev/null
}
