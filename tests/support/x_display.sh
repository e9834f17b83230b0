# A private X server for the tests that need a display: sourced by sh and bash scripts alike.
#
# start_x_display DIR SIZE
#   Starts Xvfb with one screen of SIZE (WIDTHxHEIGHTxDEPTH), its files in DIR, and sets DISPLAY and
#   x_server (the server's process id). The server picks a free display number itself. A server that
#   does not report its number, or that no client can reach within 5 s, is ended and another one
#   started, three times at most; then the function returns 1 with the reason in x_failure.
start_x_display() {
    x_failure=
    for x_attempt in 1 2 3; do
        rm -f "$1/display"
        Xvfb -displayfd 3 -screen 0 "$2" -nolisten tcp -noreset 3>"$1/display" 2>"$1/xvfb.log" &
        x_server=$!
        for _ in $(seq 100); do
            [ -s "$1/display" ] && break
            kill -0 "$x_server" 2>/dev/null || break
            sleep 0.1
        done
        if [ -s "$1/display" ]; then
            DISPLAY=":$(head -n1 "$1/display")"
            export DISPLAY
            command -v xprop >/dev/null || return 0
            for _ in $(seq 50); do
                xprop -root >/dev/null 2>&1 && return 0
                sleep 0.1
            done
            x_failure="no client could reach the display $DISPLAY"
        else
            x_failure="Xvfb did not start: $(head -c 300 "$1/xvfb.log")"
        fi
        kill "$x_server" 2>/dev/null
        wait "$x_server" 2>/dev/null
    done
    return 1
}
