#!/usr/bin/env bash
# Services the tests need, started for the test run and stopped after it.
# Tests that need a real X server start their own under xvfb-run.
#
# A private PulseAudio server with one null sink gives the speech tests a real audio
# device whose output they can record from the sink's monitor. It runs with its own
# XDG_RUNTIME_DIR, exported to the tests, so it never meets a desktop's sound server.

parlanza_start_pulseaudio() {
    if ! command -v pulseaudio >/dev/null 2>&1; then
        echo "pulseaudio is not installed: tests that need an audio device will skip." >&2
        return 0
    fi
    PARLANZA_PULSE_DIR="$(mktemp -d "${TMPDIR:-/tmp}/parlanza-pulse.XXXXXX")"
    export PARLANZA_PULSE_DIR
    export XDG_RUNTIME_DIR="$PARLANZA_PULSE_DIR"
    # norewinds=1: without it the null sink stretches playback by up to a second and more.
    if ! pulseaudio -n --daemonize=yes --exit-idle-time=-1 --disallow-exit --use-pid-file=yes \
        --load=module-native-protocol-unix \
        --load="module-null-sink sink_name=test_sink rate=48000 norewinds=1" \
        >"$PARLANZA_PULSE_DIR/log" 2>&1; then
        echo "The PulseAudio test server did not start:" >&2
        cat "$PARLANZA_PULSE_DIR/log" >&2
        return 1
    fi
    local tries=0
    until pactl info >/dev/null 2>&1; do
        tries=$((tries + 1))
        if [ "$tries" -ge 50 ]; then
            echo "The PulseAudio test server does not answer." >&2
            return 1
        fi
        sleep 0.1
    done
    pactl set-default-sink test_sink
    # From here on a device test that finds no audio device fails instead of skipping.
    export PARLANZA_REQUIRE_AUDIO_DEVICE=1
}

parlanza_stop_pulseaudio() {
    if [ -n "${PARLANZA_PULSE_DIR:-}" ] && [ -d "$PARLANZA_PULSE_DIR" ]; then
        XDG_RUNTIME_DIR="$PARLANZA_PULSE_DIR" pulseaudio --kill >/dev/null 2>&1 || true
        rm -rf "$PARLANZA_PULSE_DIR"
        unset PARLANZA_PULSE_DIR PARLANZA_REQUIRE_AUDIO_DEVICE
    fi
}

# A PulseAudio server of a test's own, with the null sink test_sink, in the runtime folder
# given: a test may kill and restart it without disturbing the shared server.
parlanza_pulseaudio_in() {
    local dir="$1"
    mkdir -p "$dir"
    export XDG_RUNTIME_DIR="$dir" PULSE_SERVER="unix:$dir/pulse/native"
    pulseaudio -n --daemonize=yes --exit-idle-time=-1 --disallow-exit --use-pid-file=yes \
        --load=module-native-protocol-unix \
        --load="module-null-sink sink_name=test_sink rate=48000 norewinds=1" \
        >>"$dir/log" 2>&1 || return 1
    local tries=0
    until pactl info >/dev/null 2>&1; do
        tries=$((tries + 1))
        [ "$tries" -lt 50 ] || return 1
        sleep 0.1
    done
    pactl set-default-sink test_sink
}

# Kills that server the hard way, as a crash would.
parlanza_kill_pulseaudio_in() {
    local pid
    pid="$(cat "$1/pulse/pid" 2>/dev/null)" || return 0
    kill -9 "$pid" 2>/dev/null || true
    while kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
}

parlanza_start_test_services() {
    parlanza_start_pulseaudio
}

parlanza_stop_test_services() {
    parlanza_stop_pulseaudio
}

# A session bus with the accessibility bus and registry on it, as a desktop gives screen
# readers (Debian's dbus-x11 and at-spi2-core). A test that walks the program's accessible
# tree starts its own on its own virtual screen (DISPLAY set), so tests running side by
# side never see each other's programs.
parlanza_start_atspi() {
    local launcher=/usr/libexec/at-spi-bus-launcher registryd=/usr/libexec/at-spi2-registryd
    if ! command -v dbus-launch >/dev/null 2>&1 || [ ! -x "$launcher" ] || [ ! -x "$registryd" ]; then
        echo "dbus-x11 and at-spi2-core are needed for the accessibility tests." >&2
        return 1
    fi
    eval "$(dbus-launch --sh-syntax)"
    export PARLANZA_ATSPI_DBUS_PID="$DBUS_SESSION_BUS_PID"
    "$launcher" --launch-immediately >/dev/null 2>&1 &
    PARLANZA_ATSPI_LAUNCHER_PID=$!
    local tries=0
    until dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
        org.a11y.Bus.GetAddress >/dev/null 2>&1; do
        tries=$((tries + 1))
        if [ "$tries" -ge 100 ]; then
            echo "The accessibility bus does not answer." >&2
            return 1
        fi
        sleep 0.1
    done
    "$registryd" >/dev/null 2>&1 &
    PARLANZA_ATSPI_REGISTRYD_PID=$!
    export PARLANZA_ATSPI_LAUNCHER_PID PARLANZA_ATSPI_REGISTRYD_PID
}

parlanza_stop_atspi() {
    local pid
    for pid in "${PARLANZA_ATSPI_REGISTRYD_PID:-}" "${PARLANZA_ATSPI_LAUNCHER_PID:-}" \
        "${PARLANZA_ATSPI_DBUS_PID:-}"; do
        if [ -n "$pid" ]; then
            kill "$pid" 2>/dev/null || true
        fi
    done
    unset PARLANZA_ATSPI_REGISTRYD_PID PARLANZA_ATSPI_LAUNCHER_PID PARLANZA_ATSPI_DBUS_PID
}
