#!/usr/bin/env bash
# Services the tests need, started for the test run and stopped after it.
# Tests that need a real X server start their own under xvfb-run.

parlanza_start_test_services() {
    :
}

parlanza_stop_test_services() {
    :
}
