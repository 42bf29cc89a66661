# Tests of the registry area.
