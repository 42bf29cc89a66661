# Tests of the selfremoval area.
